// Installation-state detection on fixture installations in the test's prefix:
// the registry values, fixture programs with chosen version resources, and
// uninstall logs where an earlier installation would have left them.
#include "app/installed_detection.h"

#include "app/install_app.h"
#include "app/product.h"
#include "tests/common/fixture_installation.h"
#include "tests/winhelpers/test_paths.h"
#include "winhelpers/scoped_handle.h"
#include "winhelpers/scoped_reg_key.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <chrono>
#include <thread>

namespace {

using fixture::make_folder;
using fixture::set_machine_string;
using fixture::write_uninstall_log;

// A message box of process `pid`, once it is up: its caption and text, after
// pressing its OK button. Empty when none comes within the time allowed.
struct box_seen {
    std::wstring caption;
    std::wstring text;
};

struct box_search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK find_box(HWND w, LPARAM p)
{
    auto* s = reinterpret_cast<box_search*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    wchar_t cls[32] = {};
    GetClassNameW(w, cls, 32);
    if (owner == s->pid && lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(w)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

box_seen answer_message_box(DWORD pid, std::chrono::milliseconds timeout)
{
    box_search s{pid, nullptr};
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!s.found && std::chrono::steady_clock::now() < deadline) {
        EnumWindows(find_box, reinterpret_cast<LPARAM>(&s));
        if (!s.found)
            std::this_thread::sleep_for(std::chrono::milliseconds(20)); // polling interval, not a wait for an outcome
    }
    box_seen seen;
    if (!s.found)
        return seen;
    wchar_t buffer[1024] = {};
    SendMessageW(s.found, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
    seen.caption = buffer;
    // The text is the static control that is not an icon.
    for (HWND child = GetWindow(s.found, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        GetClassNameW(child, cls, 32);
        if (lstrcmpiW(cls, L"Static") != 0 || (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            continue;
        buffer[0] = 0;
        SendMessageW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
        if (buffer[0])
            seen.text = buffer;
    }
    if (HWND ok = GetDlgItem(s.found, IDOK))
        SendMessageW(ok, BM_CLICK, 0, 0);
    return seen;
}

enum class log_place {
    none,
    beside_uninstaller,      // in the folder UninstallString names
    beside_program,          // UninstallString names a folder without a log
    naming_deleted_folder,   // beside the uninstaller, naming a folder that is gone
};

struct DetectionCase {
    const char* name;
    const wchar_t* program; // fixture program installed as Korvane.exe; null: no path value
    log_place log;
    InstallState state;
    std::wstring versionText;
    bool folderFromLog;     // the installation folder comes from the log
};

void PrintTo(const DetectionCase& c, std::ostream* os)
{
    *os << c.name;
}

class Detection : public ::testing::TestWithParam<DetectionCase> {
protected:
    void SetUp() override
    {
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, CompanyKeyPath().c_str());
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str());
        base = L"C:\\tw-detect\\" + std::wstring(GetParam().name, GetParam().name + strlen(GetParam().name));
        installFolder = base + L"\\Korvane 6";
        make_folder(installFolder);
        make_folder(base + L"\\Uninstaller");
    }
    void TearDown() override
    {
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, CompanyKeyPath().c_str());
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str());
    }

    std::wstring base;
    std::wstring installFolder;
};

TEST_P(Detection, StateVersionTextAndFolders)
{
    const DetectionCase& c = GetParam();
    const std::wstring program = installFolder + L"\\Korvane.exe";
    const std::wstring uninstaller = base + L"\\Uninstaller\\Uninstall.exe";
    const std::wstring shortcuts = L"C:\\windows";
    if (c.program) {
        ASSERT_TRUE(CopyFileW(fixture_program(c.program).c_str(), program.c_str(), FALSE)) << GetLastError();
        set_machine_string(CompanyKeyPath(), InstalledPathValueName().c_str(), program);
    }
    switch (c.log) {
    case log_place::none:
        break;
    case log_place::beside_uninstaller:
        set_machine_string(UninstallKeyPath(), L"UninstallString", uninstaller);
        write_uninstall_log(base + L"\\Uninstaller\\Uninstall.ulog", installFolder, shortcuts);
        break;
    case log_place::beside_program:
        set_machine_string(UninstallKeyPath(), L"UninstallString", uninstaller);
        write_uninstall_log(installFolder + L"\\Uninstall.ulog", installFolder, shortcuts);
        break;
    case log_place::naming_deleted_folder:
        set_machine_string(UninstallKeyPath(), L"UninstallString", uninstaller);
        write_uninstall_log(base + L"\\Uninstaller\\Uninstall.ulog", base + L"\\deleted", shortcuts);
        break;
    }

    CInstallApp app;
    std::wstring installed;
    ASSERT_TRUE(DetectInstalledProduct(app, installed));
    EXPECT_EQ(app.m_installState, c.state);
    EXPECT_EQ(app.m_installedVersionText, c.versionText);
    EXPECT_EQ(installed, c.program ? program : L"");

    ReadPreviousUninstallLog(app, installed);
    bool logRead = c.log != log_place::none && (c.state == SameVersion || c.state == Update);
    EXPECT_EQ(app.m_previousLog.previousEntries.size(), logRead ? 1u : 0u);
    EXPECT_EQ(app.m_installPath, c.folderFromLog ? installFolder : L"");
    EXPECT_EQ(app.m_shortcutFolder, logRead ? shortcuts : L"");

    // Where the log gave no folder, start-up proposes the defaults.
    app.SetDefaultFolders();
    EXPECT_EQ(app.m_installPath, c.folderFromLog ? installFolder : L"C:\\Program Files\\Tarnwick\\Korvane 6");
    EXPECT_EQ(app.m_shortcutFolder,
              logRead ? shortcuts : L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tarnwick\\Korvane 6");
}

const auto L_ = log_place::beside_uninstaller;

INSTANTIATE_TEST_SUITE_P(
    Installations, Detection,
    ::testing::Values(
        DetectionCase{"not_installed", nullptr, log_place::none, NotInstalled, L"", false},
        DetectionCase{"path_value_without_file", nullptr, log_place::beside_uninstaller, NotInstalled, L"", false},
        DetectionCase{"same_version", L"v6_52_1_1", L_, SameVersion, L"", true},
        DetectionCase{"older_version", L"v6_50_0_0", L_, Update, L"Korvane 6.50", true},
        DetectionCase{"newer_minor", L"v6_60_0_0", L_, NewerInstalled, L"Korvane 6.60", false},
        DetectionCase{"newer_major", L"v7_0_0_0", L_, NewerInstalled, L"Korvane 7.0", false},
        DetectionCase{"version_zero", L"v0_0_0_0", L_, SameVersion, L"", true},
        DetectionCase{"no_log_beside_uninstaller", L"v6_52_1_1", log_place::beside_program, SameVersion, L"", true},
        DetectionCase{"log_names_deleted_folder", L"v6_50_0_0", log_place::naming_deleted_folder, Update,
                      L"Korvane 6.50", false}),
    [](const auto& i) { return std::string(i.param.name); });

class UnreadableVersion : public ::testing::Test {
protected:
    void SetUp() override
    {
        make_folder(folder);
        ASSERT_TRUE(CopyFileW(fixture_program(L"no_resource").c_str(), program.c_str(), FALSE));
        set_machine_string(CompanyKeyPath(), InstalledPathValueName().c_str(), program);
    }
    void TearDown() override { SHDeleteKeyW(HKEY_LOCAL_MACHINE, CompanyKeyPath().c_str()); }

    std::wstring folder = L"C:\\tw-detect\\unreadable\\Korvane 6";
    std::wstring program = folder + L"\\Korvane.exe";
};

TEST_F(UnreadableVersion, DetectionShowsAnErrorBoxAndEndsStartUp)
{
    CInstallApp app;
    app.SetApplicationName();
    box_seen seen;
    std::thread answer([&] { seen = answer_message_box(GetCurrentProcessId(), std::chrono::seconds(20)); });
    std::wstring installed;
    bool goOn = DetectInstalledProduct(app, installed);
    answer.join();
    EXPECT_FALSE(goOn);
    EXPECT_EQ(seen.caption, InstallerTitle(true));
    EXPECT_NE(seen.text.find(program), std::wstring::npos) << std::string(seen.text.begin(), seen.text.end());
}

TEST_F(UnreadableVersion, TheInstallerEndsAfterTheBox)
{
    std::wstring installer = built_installer();
    ASSERT_FALSE(installer.empty());
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring command = L"\"" + installer + L"\"";
    ASSERT_TRUE(CreateProcessW(installer.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                               &pi))
        << GetLastError();
    tw::scoped_handle process(pi.hProcess), thread(pi.hThread);

    box_seen seen = answer_message_box(pi.dwProcessId, std::chrono::seconds(60));
    EXPECT_EQ(seen.caption, L"Installer \u2013 Korvane 6.52a");
    EXPECT_NE(seen.text.find(program), std::wstring::npos) << std::string(seen.text.begin(), seen.text.end());
    // No wizard follows: the process ends once the box is answered.
    EXPECT_EQ(WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
    if (WaitForSingleObject(process.get(), 0) != WAIT_OBJECT_0)
        TerminateProcess(process.get(), 1);
}

} // namespace
