// Installer texts, read from the installer's own string tables linked into
// this program (plus test-only identifiers that are "#" in some blocks).
#include "app/installer_texts.h"
#include "app/language.h"
#include "app/product.h"
#include "tests/app/test_text_ids.h"

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
        TextCase{tw::language_french, IDS_INSTALLER_WORD, IDS_BLOCK_FRENCH + IDS_INSTALLER_WORD, L"Installeur"},
        TextCase{tw::language_french, IDS_MENU_SHORTCUT_OPTION, IDS_BLOCK_FRENCH + IDS_MENU_SHORTCUT_OPTION,
                 L"Créer un raccourci dans le menu suivant\u00a0:"},
        TextCase{tw::language_french, IDS_SUMMARY_FOLDER, IDS_BLOCK_FRENCH + IDS_SUMMARY_FOLDER, L"Dossier d'installation\u00a0: %1."},
        TextCase{tw::language_english, IDS_INSTALLER_WORD, IDS_BLOCK_ENGLISH + IDS_INSTALLER_WORD, L"Installer"},
        TextCase{tw::language_english, IDS_COPYING_FILE, IDS_BLOCK_ENGLISH + IDS_COPYING_FILE, L"Copying File  %1..."},
        TextCase{tw::language_english, IDS_CONFIRM_EXIT, IDS_BLOCK_ENGLISH + IDS_CONFIRM_EXIT,
                 L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?"},
        TextCase{tw::language_english, IDS_INSTALLER_NOT_TRANSLATED, IDS_BLOCK_ENGLISH + IDS_INSTALLER_NOT_TRANSLATED,
                 L"'%1' will be installed in the selected Langage, but the Installer, still under "
                 L"translation,  shall run in English."},
        TextCase{tw::language_english, IDS_COPYRIGHT, IDS_BLOCK_ENGLISH + IDS_COPYRIGHT,
                 L"%1 \u2013 Copyright \u00a9 2024-2026 Tarnwick. All rights reserved."},
        TextCase{tw::language_german, IDS_NEXT_BUTTON, IDS_BLOCK_GERMAN + IDS_NEXT_BUTTON, L"Weiter"},
        TextCase{tw::language_german, IDS_CANCEL_BUTTON, IDS_BLOCK_GERMAN + IDS_CANCEL_BUTTON, L"Abbrechen"},
        TextCase{tw::language_spanish, IDS_BACK_BUTTON, IDS_BLOCK_SPANISH + IDS_BACK_BUTTON, L"Atrás"},
        TextCase{tw::language_spanish, IDS_CANCEL_BUTTON, IDS_BLOCK_SPANISH + IDS_CANCEL_BUTTON, L"Cancelar"},
        TextCase{tw::language_portuguese, IDS_EXIT_BUTTON, IDS_BLOCK_PORTUGUESE + IDS_EXIT_BUTTON, L"Sair"},
        TextCase{tw::language_turkish, IDS_CANCEL_BUTTON, IDS_BLOCK_TURKISH + IDS_CANCEL_BUTTON, L"İptal"},
        TextCase{tw::language_romanian, IDS_BACK_BUTTON, IDS_BLOCK_ROMANIAN + IDS_BACK_BUTTON, L"Înapoi"},
        TextCase{tw::language_italian, IDS_INSTALL_BUTTON, IDS_BLOCK_ITALIAN + IDS_INSTALL_BUTTON, L"Installa"},
        TextCase{tw::language_italian, IDS_INSTALLER_WORD, IDS_BLOCK_ITALIAN + IDS_INSTALLER_WORD, L"Programma di installazione"},
        // Dutch and Czech have no installer texts: English.
        TextCase{tw::language_dutch, IDS_INSTALLER_WORD, IDS_BLOCK_ENGLISH + IDS_INSTALLER_WORD, L"Installer"},
        TextCase{tw::language_dutch, IDS_NEXT_BUTTON, IDS_BLOCK_ENGLISH + IDS_NEXT_BUTTON, L"Next"},
        TextCase{tw::language_czech, IDS_CANCEL_BUTTON, IDS_BLOCK_ENGLISH + IDS_CANCEL_BUTTON, L"Cancel"},
        TextCase{tw::language_czech, IDS_LANGUAGE_LABEL, IDS_BLOCK_ENGLISH + IDS_LANGUAGE_LABEL, L"Select Installation Langage"},
        // Untranslated texts: German "#" gives English, English "#" gives French,
        // and a French "#" is shown as it stands.
        TextCase{tw::language_german, IDS_TEST_GERMAN_PLACEHOLDER, IDS_BLOCK_ENGLISH + IDS_TEST_GERMAN_PLACEHOLDER, L"en-19"},
        TextCase{tw::language_german, IDS_TEST_ENGLISH_PLACEHOLDER, IDS_BLOCK_FRENCH + IDS_TEST_ENGLISH_PLACEHOLDER, L"fr-20"},
        TextCase{tw::language_english, IDS_TEST_ENGLISH_PLACEHOLDER, IDS_BLOCK_FRENCH + IDS_TEST_ENGLISH_PLACEHOLDER, L"fr-20"},
        TextCase{tw::language_french, IDS_TEST_FRENCH_PLACEHOLDER, IDS_BLOCK_FRENCH + IDS_TEST_FRENCH_PLACEHOLDER, L"#"},
        TextCase{tw::language_german, IDS_TEST_FRENCH_PLACEHOLDER, IDS_BLOCK_FRENCH + IDS_TEST_FRENCH_PLACEHOLDER, L"#"}));

TEST(Formatting, InsertsArgumentsByNumber)
{
    tw::set_language(tw::language_english);
    EXPECT_EQ(FormatTextId(IDS_INFO_UPDATE, {L"Korvane 6.50", L"Korvane 6.52a"}),
              L"Update from 'Korvane 6.50' to 'Korvane 6.52a'.");
    tw::set_language(tw::language_french);
    EXPECT_EQ(FormatTextId(IDS_INFO_UPDATE, {L"A", L"B"}), L"Mise à jour de 'A' vers 'B'.");
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
    const UINT noSuchText = 1030;
    EXPECT_THROW(FormatTextId(noSuchText, {L"x"}), std::invalid_argument);
}

TEST(Formatting, DutchShowsTheEnglishNoticeNamingTheProduct)
{
    tw::set_language(tw::language_dutch);
    std::wstring notice = FormatTextId(IDS_INSTALLER_NOT_TRANSLATED, {ProductName()});
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
    tw::set_language(tw::language_norwegian); // no installer texts
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
