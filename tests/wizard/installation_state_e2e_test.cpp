// The real installer under Wine over an earlier installation of the product
// laid out in the test's prefix: the start page's texts for each installation
// state, the Next button, the exit question on the start page, and the folder
// page of an existing installation.
#include "app/language.h"
#include "resources/dialog_ids.h"
#include "tests/common/fixture_installation.h"
#include "tests/common/host_path.h"
#include "tests/driver/gui_driver.h"
#include "tests/driver/text_fit.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstdlib>
#include <sstream>
#include <vector>

namespace {

using gui::installer;
using gui::lines_of;
using namespace std::chrono_literals;

// The names an earlier installation leaves behind, as other programs see them.
const wchar_t* const kCompanyKey = L"Software\\Tarnwick";
const wchar_t* const kInstalledPathValue = L"Korvane 6 Path";
const wchar_t* const kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvane 6";
const wchar_t* const kDefaultFolder = L"C:\\Program Files\\Tarnwick\\Korvane 6";

struct InstallationCase {
    const char* name;
    const wchar_t* program; // fixture program installed as Korvane.exe; null: no installed product
    const wchar_t* info;    // start page, control 1016
    const wchar_t* status;  // start page, control 1003
    bool nextEnabled;
    bool exitAskedOnStartPage;
    bool folderLocked;      // the folder page shows the previous installation's folder, locked
};

void PrintTo(const InstallationCase& c, std::ostream* os)
{
    *os << c.name;
}

// Every case leaves the same uninstaller, log and folders behind; only the
// installed program differs, so a log that must not count is there to be
// wrongly read.
const InstallationCase kCases[] = {
    {"not_installed", nullptr, L"'Korvane 6.52a' Installation.", L"Click on 'Next' to continue.", true, true, false},
    {"update", L"v6_50_0_0", L"Update from 'Korvane 6.50' to 'Korvane 6.52a'.", L"Click on 'Next' to continue.",
     true, true, true},
    {"same_version", L"v6_52_1_1", L"'Korvane 6.52a' is already installed.\r\nDo you confirm Reinstallation ?",
     L"Click on 'Next' to continue or on 'Cancel' to exit Installation.", true, false, true},
    {"newer_installed", L"v6_60_0_0",
     L"'Korvane 6.52a' Installation.\r\nA more recent Version (Korvane 6.60) is already installed.",
     L"Click on 'Cancel' to exit Installation.", false, false, false},
};

std::wstring fixture_program(const wchar_t* name)
{
    const char* dir = std::getenv("TW_FIXTURE_DIR");
    return dir ? host_path_to_windows(dir) + L"\\" + name + L".exe" : std::wstring();
}

class InstallationState : public ::testing::TestWithParam<InstallationCase> {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(gui::installer_path().empty()) << "TW_INSTALLER not set";
        remove_keys();
        const InstallationCase& c = GetParam();
        base = L"C:\\tw-states\\" + std::wstring(c.name, c.name + strlen(c.name));
        installFolder = base + L"\\Korvane 6";
        ASSERT_NO_FATAL_FAILURE(fixture::make_folder(installFolder));
        ASSERT_NO_FATAL_FAILURE(fixture::make_folder(base + L"\\Uninstaller"));
        ASSERT_NO_FATAL_FAILURE(fixture::make_folder(shortcutFolder));
        if (c.program) {
            std::wstring program = installFolder + L"\\Korvane.exe";
            ASSERT_TRUE(CopyFileW(fixture_program(c.program).c_str(), program.c_str(), FALSE))
                << "fixture " << testing::PrintToString(fixture_program(c.program)) << ": " << GetLastError();
            ASSERT_NO_FATAL_FAILURE(fixture::set_machine_string(kCompanyKey, kInstalledPathValue, program));
        }
        ASSERT_NO_FATAL_FAILURE(
            fixture::set_machine_string(kUninstallKey, L"UninstallString", base + L"\\Uninstaller\\Uninstall.exe"));
        ASSERT_NO_FATAL_FAILURE(
            fixture::write_uninstall_log(base + L"\\Uninstaller\\Uninstall.ulog", installFolder, shortcutFolder));
        // English, whatever the prefix's locale: the language the product recorded.
        ASSERT_NO_FATAL_FAILURE(fixture::record_product_language(tw::language_english));

        app = std::make_unique<installer>();
        ASSERT_TRUE(app->started()) << "no wizard frame";
        ASSERT_TRUE(app->wait_for_page(0));
    }
    void TearDown() override
    {
        app.reset();
        remove_keys();
    }
    static void remove_keys()
    {
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kCompanyKey);
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
    }

    void next(int expected) const
    {
        ASSERT_TRUE(app->click(IDOK)) << "Next not clickable";
        ASSERT_TRUE(app->wait_for_page(expected)) << "now on page " << app->page_index();
    }
    // Cancel on the current page: true when the exit question came up (and
    // was answered `answer`), false when the process ended without one.
    bool cancel(int answer) const
    {
        if (!app->click(IDCANCEL)) {
            ADD_FAILURE() << "Cancel not clickable";
            return false;
        }
        std::optional<gui::message_box> box;
        EXPECT_TRUE(gui::wait_until([&] {
            if (!app->running())
                return true;
            box = app->wait_for_box(0ms);
            return box.has_value();
        })) << "neither a question nor the end of the process";
        if (!box)
            return false;
        EXPECT_EQ(box->text(), L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?");
        EXPECT_TRUE(box->has_button(IDYES));
        EXPECT_TRUE(box->has_button(IDNO));
        EXPECT_TRUE(box->press(answer));
        return true;
    }

    std::wstring base;
    std::wstring installFolder;
    std::wstring shortcutFolder = L"C:\\tw-states\\Start Menu\\Korvane 6";
    std::unique_ptr<installer> app;
};

TEST_P(InstallationState, StartPageTellsWhatTheWizardWillDo)
{
    const InstallationCase& c = GetParam();
    EXPECT_EQ(app->text(IDC_INFO), c.info);
    EXPECT_EQ(app->text(IDC_STATUS), c.status);
    EXPECT_EQ(app->text(IDOK), L"Next  >");
    EXPECT_EQ(app->text(IDCANCEL), L"Cancel");
    EXPECT_EQ(app->enabled(IDOK), c.nextEnabled);
    EXPECT_FALSE(app->enabled(IDC_BACK));
    EXPECT_TRUE(app->enabled(IDCANCEL));
    if (!c.nextEnabled) {
        // Neither the button nor Enter leads on.
        EXPECT_FALSE(app->click(IDOK));
        ASSERT_TRUE(app->press_key(VK_RETURN));
        // Posted after the key, the About box comes up once the key has been handled.
        app->system_command(IDM_ABOUTBOX);
        HWND about = app->wait_for_window(L"About 'Installer'");
        ASSERT_TRUE(about);
        EXPECT_EQ(app->page_index(), 0);
        PostMessageW(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(gui::wait_until([&] { return !IsWindow(about); }));
    }

    // Left in the build folder for review.
    std::wstring folder = gui::screenshot_dir();
    if (!folder.empty()) {
        CreateDirectoryW(folder.c_str(), nullptr);
        std::wstring path = folder + L"\\state_" + std::wstring(c.name, c.name + strlen(c.name)) + L"_page0.bmp";
        RedrawWindow(app->frame(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        SendMessageTimeoutW(app->frame(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
        EXPECT_TRUE(app->screenshot(path)) << testing::PrintToString(path);
    }
}

// The start page's texts of this installation state fit their controls in
// every language with installer texts (the other pages are measured by the
// gallery tests).
TEST_P(InstallationState, StartPageTextsFitInEveryLanguage)
{
    gui::text_fit fit(gui::installer_path());
    ASSERT_TRUE(fit.loaded());
    // From English, in an order where each title differs from the one before.
    const int languages[] = {tw::language_french,  tw::language_german,   tw::language_spanish,
                             tw::language_italian, tw::language_portuguese, tw::language_turkish,
                             tw::language_romanian, tw::language_english};
    for (int language : languages) {
        ASSERT_TRUE(app->switch_language(language)) << "language " << language;
        for (const gui::clipped_text& t : fit.clipped(app->page(), IDD_PAGE_START))
            ADD_FAILURE() << "language " << language << ": " << t;
    }
}

TEST_P(InstallationState, CancelOnTheStartPage)
{
    const InstallationCase& c = GetParam();
    if (c.exitAskedOnStartPage) {
        ASSERT_TRUE(cancel(IDNO)) << "not asked";
        EXPECT_TRUE(app->running());
        EXPECT_EQ(app->page_index(), 0);
        ASSERT_TRUE(cancel(IDYES)) << "not asked the second time";
    } else {
        EXPECT_FALSE(cancel(IDNO)) << "asked";
    }
    EXPECT_TRUE(app->wait_for_exit());
}

// Only where Next leads past the start page.
class FolderPage : public InstallationState {};

std::vector<InstallationCase> cases_past_start_page()
{
    std::vector<InstallationCase> cases;
    for (const InstallationCase& c : kCases)
        if (c.nextEnabled)
            cases.push_back(c);
    return cases;
}

TEST_P(FolderPage, LockedForAnExistingInstallation)
{
    const InstallationCase& c = GetParam();
    next(1);
    ASSERT_TRUE(app->set_checked(IDC_MODE_ADVANCED, true));
    next(2);
    const std::wstring expected = c.folderLocked ? installFolder : kDefaultFolder;
    EXPECT_EQ(app->text(IDC_FOLDER), expected);
    EXPECT_EQ((GetWindowLongW(app->control(IDC_FOLDER), GWL_STYLE) & ES_READONLY) != 0, c.folderLocked);
    EXPECT_EQ(app->enabled(IDC_PATH_LABEL), !c.folderLocked);
    EXPECT_EQ(app->enabled(IDC_BROWSE), !c.folderLocked);
    EXPECT_TRUE(app->enabled(IDC_FOLDER)) << "read-only, not greyed: the folder stays readable";
    // The folder travels on to the install page's summary.
    next(3);
    next(4);
    std::vector<std::wstring> summary = lines_of(app->text(IDC_LOG));
    ASSERT_GE(summary.size(), 3u);
    EXPECT_EQ(summary[2], L"Installation Folder: \"" + expected + L"\".");
}

INSTANTIATE_TEST_SUITE_P(Installations, InstallationState, ::testing::ValuesIn(kCases),
                         [](const auto& i) { return std::string(i.param.name); });
INSTANTIATE_TEST_SUITE_P(Installations, FolderPage, ::testing::ValuesIn(cases_past_start_page()),
                         [](const auto& i) { return std::string(i.param.name); });

// On any later page the question comes back for a reinstallation.
class SameVersionLaterPage : public InstallationState {};

TEST_P(SameVersionLaterPage, CancelOnTheModePageAsks)
{
    next(1);
    ASSERT_TRUE(cancel(IDNO)) << "not asked";
    EXPECT_EQ(app->page_index(), 1);
    ASSERT_TRUE(cancel(IDYES));
    EXPECT_TRUE(app->wait_for_exit());
}

INSTANTIATE_TEST_SUITE_P(Reinstallation, SameVersionLaterPage, ::testing::Values(kCases[2]),
                         [](const auto& i) { return std::string(i.param.name); });

} // namespace
