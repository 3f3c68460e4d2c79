// Installer texts read from the string tables linked into this program, the
// same object that the installer links.
#include "app/installer_texts.h"
#include "app/language.h"
#include "app/product.h"

#include <gtest/gtest.h>

namespace {

struct TextCase {
    int language;
    UINT baseId;
    UINT expectedId;
    const wchar_t* expected;
};

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
        TextCase{2, 1006, 3006, L"Weiter"},
        TextCase{2, 1002, 3002, L"Abbrechen"},
        TextCase{3, 1005, 4005, L"Atrás"},
        TextCase{4, 1004, 5004, L"Sair"},
        TextCase{7, 1002, 9002, L"İptal"},
        TextCase{9, 1005, 12005, L"Înapoi"},
        TextCase{11, 1007, 6007, L"Installa"},
        // Dutch and Czech have no installer texts: English.
        TextCase{5, 1000, 2000, L"Installer"},
        TextCase{5, 1006, 2006, L"Next"},
        TextCase{12, 1002, 2002, L"Cancel"}));

TEST(Title, FrenchTitleUsesEnDashWithOneSpaceEachSide)
{
    tw::set_language(0);
    EXPECT_EQ(InstallerTitle(true), L"Installeur \u2013 Korvane 6.52a");
    EXPECT_EQ(InstallerTitle(false), L"Installeur");
}

} // namespace
