// The language module against Wine's real locale data. Cases that depend on
// the user's interface language run once per locale (LC_ALL, see CMakeLists).
#include "app/language.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string lc_all()
{
    const char* v = std::getenv("LC_ALL");
    return v ? v : "";
}

TEST(LanguageTable, NativeNamesAndWritingDirection)
{
    EXPECT_EQ(tw::language_native_name(tw::language_french), L"Français");
    EXPECT_EQ(tw::language_native_name(tw::language_german), L"Deutsch");
    EXPECT_TRUE(tw::is_right_to_left(tw::language_hebrew));
    EXPECT_FALSE(tw::is_right_to_left(tw::language_french));
    EXPECT_FALSE(tw::is_right_to_left(tw::language_english));
}

TEST(LanguageTable, IdentifiersOutsideTheTableAreFrench)
{
    EXPECT_EQ(tw::language_id(tw::language_german), 1031);
    EXPECT_EQ(tw::language_id(tw::language_chinese), 2052);
    EXPECT_EQ(tw::language_id(-1), 1036);
    EXPECT_EQ(tw::language_id(tw::language_count), 1036);
}

TEST(LanguageState, SetLanguageReturnsItsCodePage)
{
    EXPECT_EQ(tw::set_language(tw::language_german), 1252u);
    EXPECT_EQ(tw::current_language(), tw::language_german);
    EXPECT_EQ(tw::current_lcid(), 1031);
    EXPECT_EQ(tw::set_language(tw::language_hebrew), 1255u);
    EXPECT_EQ(tw::set_language(tw::language_turkish), 1254u);
    tw::set_language(tw::language_hebrew);
    EXPECT_FALSE(tw::is_left_to_right());
    tw::set_language(tw::language_english);
    EXPECT_TRUE(tw::is_left_to_right());
}

TEST(LanguageState, LocaleNameIsEmptyForTheUsersOwnLanguage)
{
    int own = -1;
    for (int i = 0; i < tw::language_count; ++i)
        if (PRIMARYLANGID(tw::language_id(i)) == PRIMARYLANGID(GetUserDefaultLangID()))
            own = i;
    for (int i = 0; i < tw::language_count; ++i) {
        std::string name = tw::locale_name(i);
        if (i == own) {
            EXPECT_EQ(name, "") << i;
        } else {
            EXPECT_FALSE(name.empty()) << i;
        }
    }
    if (own != tw::language_german) {
        EXPECT_EQ(tw::locale_name(tw::language_german), "de-DE");
    }
}

TEST(LanguageState, WindowsSixOrLaterUnderWine)
{
    // The test prefix reports Windows 7.
    EXPECT_TRUE(tw::is_windows_6_or_later());
}

TEST(UserLanguage, DefaultMaskAlwaysFallsBackToFrench)
{
    // The initial mask holds French only, so whatever the interface language is.
    EXPECT_EQ(tw::detect_language(0), tw::language_french);
}

struct DetectCase {
    const char* lc_all;
    LANGID user_language;
    int with_product_mask;
};

TEST(UserLanguage, DetectedFromTheInterfaceLanguage)
{
    const DetectCase cases[] = {
        {"fr_FR.UTF-8", 0x040C, 0},
        {"de_CH.UTF-8", 0x0807, 2},  // German (Switzerland): primary language 0x07
        {"zh_TW.UTF-8", 0x0404, 1},  // traditional Chinese has no row: English
        {"he_IL.UTF-8", 0x040D, 1},  // Hebrew is not a product language: English
    };
    for (const DetectCase& c : cases) {
        if (lc_all() != c.lc_all)
            continue;
        ASSERT_EQ(GetUserDefaultLangID(), c.user_language) << "LC_ALL did not reach Wine";
        EXPECT_EQ(tw::detect_language(tw::product_languages_mask), c.with_product_mask) << c.lc_all;
        // Every language allowed: the row itself, where there is one.
        int all = tw::detect_language(tw::all_languages_mask);
        if (c.user_language == 0x040D) {
            EXPECT_EQ(all, tw::language_hebrew);
        }
        return;
    }
    GTEST_SKIP() << "no detection case for LC_ALL=" << lc_all();
}

TEST(UserLanguage, HebrewReadsRightToLeftByFontSignature)
{
    if (lc_all() != "he_IL.UTF-8")
        GTEST_SKIP() << "Hebrew user interface only";
    EXPECT_TRUE(tw::is_right_to_left(tw::detect_language(tw::all_languages_mask)));
}

} // namespace
