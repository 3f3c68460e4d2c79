// Installer texts, read from the installer's own string tables linked into
// this program (plus test-only identifiers that are "#" in some blocks).
#include "app/installer_texts.h"
#include "app/language.h"
#include "app/product.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

struct TextCase {
    int language;
    UINT baseId;
    UINT expectedId;
    const wchar_t* expected;
};

std::ostream& operator<<(std::ostream& os, const TextCase& c)
{
    return os << "language " << c.language << ", text " << c.baseId;
}

class TextLookup : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextLookup, IdAndTextInCurrentLanguage)
{
    const TextCase& c = GetParam();
    tw::set_language(c.language);
    EXPECT_EQ(TextId(c.baseId), c.expectedId);
    EXPECT_EQ(LoadText(c.baseId), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, TextLookup,
    ::testing::Values(
        TextCase{0, 1000, 1000, L"Installeur"},
        TextCase{0, 1112, 1112, L"Créer un raccourci dans le menu suivant\u00a0:"},
        TextCase{0, 1123, 1123, L"Dossier d'installation\u00a0: %1."},
        TextCase{1, 1000, 2000, L"Installer"},
        TextCase{1, 1115, 2115, L"Copying File  %1..."},
        TextCase{1, 1110, 2110, L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?"},
        TextCase{1, 1129, 2129,
                 L"'%1' will be installed in the selected Langage, but the Installer, still under "
                 L"translation,  shall run in English."},
        TextCase{1, 1109, 2109, L"%1 \u2013 Copyright \u00a9 2024-2026 Tarnwick. All rights reserved."},
        TextCase{2, 1006, 3006, L"Weiter"},
        TextCase{2, 1002, 3002, L"Abbrechen"},
        TextCase{3, 1005, 4005, L"Atrás"},
        TextCase{3, 1002, 4002, L"Cancelar"},
        TextCase{4, 1004, 5004, L"Sair"},
        TextCase{7, 1002, 9002, L"İptal"},
        TextCase{9, 1005, 12005, L"Înapoi"},
        TextCase{11, 1007, 6007, L"Installa"},
        TextCase{11, 1000, 6000, L"Programma di installazione"},
        // Dutch and Czech have no installer texts: English.
        TextCase{5, 1000, 2000, L"Installer"},
        TextCase{5, 1006, 2006, L"Next"},
        TextCase{12, 1002, 2002, L"Cancel"},
        TextCase{12, 1014, 2014, L"Select Installation Langage"},
        // Untranslated texts: German "#" gives English, English "#" gives French,
        // and a French "#" is shown as it stands.
        TextCase{2, 1019, 2019, L"en-19"},
        TextCase{2, 1020, 1020, L"fr-20"},
        TextCase{1, 1020, 1020, L"fr-20"},
        TextCase{0, 1021, 1021, L"#"},
        TextCase{2, 1021, 1021, L"#"}));

TEST(Formatting, InsertsArgumentsByNumber)
{
    tw::set_language(tw::language_english);
    EXPECT_EQ(FormatTextId(1101, {L"Korvane 6.50", L"Korvane 6.52a"}),
              L"Update from 'Korvane 6.50' to 'Korvane 6.52a'.");
    tw::set_language(tw::language_french);
    EXPECT_EQ(FormatTextId(1101, {L"A", L"B"}), L"Mise à jour de 'A' vers 'B'.");
}

TEST(Formatting, MessageInsertionRules)
{
    // Arguments are inserted verbatim (no recursive expansion), %% is a percent
    // sign, a missing argument inserts nothing and printf conversions stay text.
    EXPECT_EQ(FormatText(L"%2-%1", {L"a", L"b"}), L"b-a");
    EXPECT_EQ(FormatText(L"%1", {L"%2"}), L"%2");
    EXPECT_EQ(FormatText(L"100%% %s %d", {}), L"100% %s %d");
    EXPECT_EQ(FormatText(L"[%3]", {L"a"}), L"[]");
    EXPECT_EQ(FormatText(L"end %", {L"a"}), L"end %");
}

TEST(Formatting, MissingFormatResourceIsAnInvalidArgument)
{
    tw::set_language(tw::language_english);
    EXPECT_THROW(FormatTextId(1030, {L"x"}), std::invalid_argument);
}

TEST(Formatting, DutchShowsTheEnglishNoticeNamingTheProduct)
{
    tw::set_language(tw::language_dutch);
    std::wstring notice = FormatTextId(1129, {ProductName()});
    EXPECT_EQ(notice.rfind(L"'Korvane' will be installed in the selected Langage", 0), 0u) << notice.size();
    EXPECT_NE(notice.find(L"shall run in English."), std::wstring::npos);
}

TEST(Title, EnDashWithOneSpaceEachSide)
{
    tw::set_language(tw::language_french);
    EXPECT_EQ(InstallerTitle(true), L"Installeur \u2013 Korvane 6.52a");
    EXPECT_EQ(InstallerTitle(false), L"Installeur");
    tw::set_language(tw::language_english);
    EXPECT_EQ(InstallerTitle(true), L"Installer \u2013 Korvane 6.52a");
    tw::set_language(13); // Norwegian: no installer texts
    EXPECT_EQ(InstallerTitle(true), L"Installer \u2013 Korvane 6.52a");
}

TEST(LanguageSets, ProductLanguagesAndTranslatedOnes)
{
    uint32_t product = 0, translated = 0;
    for (int i = -1; i <= tw::language_count; ++i) {
        if (IsProductLanguage(i))
            product |= 1u << i;
        if (HasInstallerTexts(i))
            translated |= 1u << i;
    }
    EXPECT_EQ(product, 0x3EBFu);
    EXPECT_EQ(translated, 0x0A9Fu); // 0 1 2 3 4 7 9 11
}

} // namespace
