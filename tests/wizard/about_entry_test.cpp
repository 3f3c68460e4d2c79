// The About entry of the frame's system menu, built in this process from the
// installer's own string tables (Wine keeps another process's menus private,
// so the end-to-end tests can read the entry only on Windows).
#include "app/language.h"
#include "wizard/install_dlg.h"

#include <gtest/gtest.h>

namespace {

struct EntryCase {
    int language;
    const wchar_t* entry;
};

TEST(AboutEntry, TextAccessAndEllipsisFollowTheReadingOrder)
{
    const EntryCase cases[] = {
        {tw::language_english, L"&About 'Installer'..."},
        {tw::language_french, L"&À propos de 'Installeur'..."},
        {tw::language_german, L"&Über 'Installationsprogramm'..."},
        // Hebrew has no installer texts, so the words are English, but the
        // language reads right to left: the ellipsis leads, no access key.
        {tw::language_hebrew, L"...About 'Installer'"},
    };
    for (const EntryCase& c : cases) {
        tw::set_language(c.language);
        EXPECT_EQ(CInstallDlg::AboutEntryText(), c.entry) << "language " << c.language;
    }
}

} // namespace
