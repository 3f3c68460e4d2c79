// The steps after the copy and the start-up guards, in-process under Wine:
// shortcuts read back from real link files, the Uninstall key and the
// product's self-registration in the prefix's registry, and the guards'
// boxes answered by a second thread.
#include "app/install_app.h"
#include "app/language.h"
#include "app/product.h"
#include "app/running_instances.h"
#include "app/startup_guards.h"
#include "engine/install_sequence.h"
#include "tests/common/box_answerer.h"
#include "tests/engine/installation_check.h"
#include "tests/engine/recording_view.h"
#include "winhelpers/error_text.h"
#include "winhelpers/security.h"
#include "winhelpers/security_functions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

using namespace installation;

const wchar_t* const kCaption = L"Installer \u2013 Korvane 6.52a";

std::wstring build_file(const char* variable, const wchar_t* name)
{
    return env_windows_path(variable) + L"\\" + name;
}

class Steps : public ::testing::Test {
protected:
    void SetUp() override
    {
        tw::set_language(tw::language_english);
        app.SetApplicationName();
        ASSERT_TRUE(app.m_instanceMutex.try_lock());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
    }
    // Copies a program of the build into `folder` as `name`.
    std::wstring place(const std::wstring& from, const std::wstring& folder, const wchar_t* name)
    {
        EXPECT_TRUE(make_folder(folder));
        std::wstring to = folder + L"\\" + name;
        SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << testing::PrintToString(from);
        return to;
    }

    CInstallApp app;
    RecordingView view;
    std::wstring mainProgram, uninstaller;
    CInstallSequence sequence{app, view, mainProgram, uninstaller};
};

// --- Shortcuts ---

TEST_F(Steps, ThreeShortcutsAreJournaledAfterTheirFolders)
{
    ASSERT_TRUE(make_folder(L"C:\\tw-steps\\Menu"));
    app.m_shortcutFolder = L"C:\\tw-steps\\Menu\\Tarnwick\\Korvane 6";
    mainProgram = place(build_file("TW_DEMO_BIN", L"Korvane.exe"), L"C:\\tw-steps\\Program Files", L"Korvane.exe");
    uninstaller = place(build_file("TW_DEMO_BIN", L"Uninstall.exe"), L"C:\\tw-steps\\Program Files", L"Uninstall.exe");
    app.m_startMenuShortcut = app.m_desktopShortcut = true;

    EXPECT_TRUE(sequence.CreateShortcuts());
    EXPECT_EQ(view.log, L"Shortcuts Creation...OK\r\n");
    const std::wstring menuLink = app.m_shortcutFolder + L"\\Korvane 6.52a.lnk";
    const std::wstring uninstallLink = app.m_shortcutFolder + L"\\Uninstall Korvane.lnk";
    const std::wstring desktopLink = std::wstring(kCommonDesktop) + L"\\Korvane 6.52a.lnk";
    std::vector<UninstallLogEntry> expected = {
        {LogEntryKind::Folder, L"C:\\tw-steps\\Menu\\Tarnwick", {}, true, -1},
        {LogEntryKind::Folder, app.m_shortcutFolder, {}, true, -1},
        {LogEntryKind::MenuShortcut, menuLink, {}, true, -1},
        {LogEntryKind::UninstallShortcut, uninstallLink, {}, true, -1},
        {LogEntryKind::DesktopShortcut, desktopLink, {}, true, -1},
    };
    EXPECT_EQ(app.m_previousLog.currentEntries, expected);
    EXPECT_EQ(link_target(menuLink), mainProgram);
    EXPECT_EQ(link_target(uninstallLink), uninstaller);
    EXPECT_EQ(link_target(desktopLink), mainProgram);
    EXPECT_EQ(link_working_folder(desktopLink), L"C:\\tw-steps\\Program Files");
}

TEST_F(Steps, DesktopOnlyLeavesTheMenuFolderAlone)
{
    app.m_shortcutFolder = L"C:\\tw-steps\\Unused Menu\\Korvane 6";
    mainProgram = L"C:\\tw-steps\\Program Files\\Korvane.exe";
    app.m_startMenuShortcut = false;
    app.m_desktopShortcut = true;
    EXPECT_TRUE(sequence.CreateShortcuts());
    EXPECT_FALSE(exists(L"C:\\tw-steps\\Unused Menu"));
    ASSERT_EQ(app.m_previousLog.currentEntries.size(), 1u);
    EXPECT_EQ(app.m_previousLog.currentEntries[0].kind, LogEntryKind::DesktopShortcut);
}

TEST_F(Steps, AFailedShortcutDoesNotStopTheOthers)
{
    ASSERT_TRUE(make_folder(L"C:\\tw-steps\\Menu 2"));
    app.m_shortcutFolder = L"C:\\tw-steps\\Menu 2";
    mainProgram.clear(); // the payload had no main program
    uninstaller = L"C:\\tw-steps\\Program Files\\Uninstall.exe";
    app.m_desktopShortcut = false;
    EXPECT_FALSE(sequence.CreateShortcuts());
    EXPECT_EQ(view.log, L"Shortcuts Creation...Failed\r\n");
    std::vector<UninstallLogEntry> expected = {
        {LogEntryKind::MenuShortcut, L"", {}, false, -1},
        {LogEntryKind::UninstallShortcut, L"C:\\tw-steps\\Menu 2\\Uninstall Korvane.lnk", {}, true, -1},
    };
    EXPECT_EQ(app.m_previousLog.currentEntries, expected);
}

// --- Registration ---

TEST_F(Steps, RegistrationWritesTheKeyAndRunsTheProduct)
{
    mainProgram = place(build_file("TW_DEMO_BIN", L"Korvane.exe"), L"C:\\tw-steps\\With Space", L"Korvane.exe");
    uninstaller = L"C:\\tw-steps\\With Space\\Uninstall.exe";
    EXPECT_TRUE(sequence.RegisterProduct());
    EXPECT_EQ(view.log, L"Registry Data Writing...OK\r\n");
    EXPECT_EQ(machine_values(L".kvn", HKEY_CLASSES_ROOT), (key_values{{L"", L"sz:Korvane.Document.6"}}))
        << "the quoted command line did not reach the product";
    key_values key = machine_values(kUninstallKey);
    EXPECT_EQ(key.size(), 12u);
    const auto& journal = app.m_previousLog.currentEntries;
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0].kind, LogEntryKind::RegistryKey);
    EXPECT_TRUE(journal[0].done);
    EXPECT_TRUE(journal[0].backup.empty()) << "a new key has nothing to save";
    EXPECT_EQ(journal[1].kind, LogEntryKind::Registration);
    EXPECT_TRUE(journal[1].done);
    EXPECT_TRUE(app.m_instanceMutex.owned) << "the mutex was not taken back";

    // Over the existing key: its content is saved before it is overwritten.
    RecordingView again;
    std::wstring m2 = mainProgram, u2 = uninstaller;
    CInstallSequence second(app, again, m2, u2);
    EXPECT_TRUE(second.RegisterProduct());
    ASSERT_EQ(journal.size(), 4u);
    EXPECT_FALSE(journal[2].backup.empty());
    EXPECT_TRUE(exists(journal[2].backup));
    app.m_previousLog.DeleteBackups();
}

TEST_F(Steps, SelfRegistrationThatExitsWithZeroFailsTheLineOnly)
{
    mainProgram = place(build_file("TW_FIXTURE_DIR", L"v6_50_0_0.exe"), L"C:\\tw-steps\\Zero", L"Korvane.exe");
    uninstaller = L"C:\\tw-steps\\Zero\\Uninstall.exe";
    EXPECT_FALSE(sequence.RegisterProduct());
    EXPECT_EQ(view.log, L"Registry Data Writing...Failed\r\n");
    EXPECT_EQ(machine_values(kUninstallKey).size(), 12u) << "the key is written all the same";
    ASSERT_EQ(app.m_previousLog.currentEntries.size(), 2u);
    EXPECT_TRUE(app.m_previousLog.currentEntries[0].done);
    EXPECT_FALSE(app.m_previousLog.currentEntries[1].done);
    EXPECT_TRUE(app.m_instanceMutex.owned);
}

TEST_F(Steps, AMissingProductFailsTheLineAndKeepsTheMutex)
{
    mainProgram.clear();
    uninstaller = L"C:\\tw-steps\\None\\Uninstall.exe";
    EXPECT_FALSE(sequence.RegisterProduct());
    EXPECT_EQ(view.log, L"Registry Data Writing...Failed\r\n");
    EXPECT_EQ(machine_values(kUninstallKey).size(), 12u);
    key_values key = machine_values(kUninstallKey);
    EXPECT_EQ(std::count(key.begin(), key.end(), std::make_pair(std::wstring(L"DisplayIcon"), std::wstring(L"sz:,0"))), 1);
    EXPECT_TRUE(app.m_instanceMutex.owned);
}

// --- Start-up guards ---

FARPROC without_admin_checks(HMODULE module, const char* name)
{
    if (!strcmp(name, "CheckTokenMembership") || !strcmp(name, "AccessCheck"))
        return nullptr;
    return tw::security::default_export_resolver(module, name);
}

TEST_F(Steps, AStandardUserIsTurnedAway)
{
    // Wine difference: Wine reports every user as a member of
    // Administrators (an unprivileged Unix user too: the installation tests
    // run as one), so the standard user is made through the binding seam of
    // the security functions: neither test of membership can run.
    tw::security::set_export_resolver(without_admin_checks);
    bool allowed = true;
    std::wstring text;
    bool shown = boxes::answer_box(kCaption, IDOK, [&](HWND box) { text = boxes::box_text(box); },
                                   [&] { allowed = startup::AdministratorGuard(tw::is_user_admin); });
    tw::security::set_export_resolver(tw::security::default_export_resolver);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(allowed);
    EXPECT_EQ(text, L"You should have Administrator Rights in order to proceed to Installation.");
    EXPECT_TRUE(startup::AdministratorGuard(tw::is_user_admin)) << "an administrator passes without a box";
}

TEST_F(Steps, ARunningProductIsWaitedFor)
{
    // Two probes find the product running, the third does not.
    std::vector<long> counts = {2, 3, 1};
    size_t probe = 0;
    auto running = [&] { return counts[probe++]; };
    int boxesShown = 0;
    std::wstring text;
    bool allowed = false;
    std::function<void()> run = [&] { allowed = startup::RunningProductGuard(running); };
    // The first box is answered Retry; the guard then shows its second box
    // from inside the first answer's wait.
    std::thread second;
    EXPECT_TRUE(boxes::answer_box(kCaption, IDRETRY,
                                  [&](HWND box) {
                                      ++boxesShown;
                                      text = boxes::box_text(box);
                                      second = std::thread([&, box] {
                                          while (IsWindow(box))
                                              Sleep(10);
                                          for (int i = 0; i < 1500; ++i) {
                                              HWND next = FindWindowW(L"#32770", kCaption);
                                              if (next && next != box && IsWindowVisible(next)) {
                                                  ++boxesShown;
                                                  PostMessageW(GetDlgItem(next, IDRETRY), BM_CLICK, 0, 0);
                                                  return;
                                              }
                                              Sleep(10);
                                          }
                                      });
                                  },
                                  run));
    second.join();
    EXPECT_TRUE(allowed);
    EXPECT_EQ(boxesShown, 2);
    EXPECT_EQ(probe, 3u);
    EXPECT_EQ(text, L"You should close 'Korvane' before continuing Installation.");

    counts = {2};
    probe = 0;
    EXPECT_TRUE(boxes::answer_box(kCaption, IDCANCEL, [](HWND) {}, run));
    EXPECT_FALSE(allowed);
    EXPECT_TRUE(startup::RunningProductGuard([] { return 1L; })) << "alone: no box";
    EXPECT_TRUE(startup::RunningProductGuard([] { return 0L; })) << "not registered: no box";
}

TEST_F(Steps, TheRunningInstancesSemaphoreCountsThisProcessAndOthers)
{
    startup::RunningInstanceRegistration& self = startup::RegisterRunningInstance();
    ASSERT_TRUE(self.registered);
    EXPECT_EQ(startup::RunningMembers(), 1);
    EXPECT_EQ(startup::RunningMembers(), 1) << "a probe leaves the count as it was";
    // Another member: a unit added through its own handle to the same object.
    tw::semaphore_units other(tw::create_semaphore(0, 0x7FFFFFFF, RunningInstancesSemaphoreName()));
    ASSERT_TRUE(other.handle.valid());
    ASSERT_TRUE(ReleaseSemaphore(other.handle.get(), 1, nullptr));
    other.units = 1;
    EXPECT_EQ(startup::RunningMembers(), 2);
}

TEST_F(Steps, ASecondInstallerIsTurnedAwayWithBusy)
{
    // The first installer: another thread that holds the mutex.
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr), release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    app.m_instanceMutex.owned = false;
    ReleaseMutex(app.m_instanceMutex.handle.get());
    std::thread first([&] {
        tw::named_mutex mutex(InstallerMutexName(), true, true);
        SetEvent(held);
        WaitForSingleObject(release, INFINITE);
    });
    WaitForSingleObject(held, INFINITE);
    std::wstring text, caption;
    bool passed = true;
    EXPECT_TRUE(boxes::answer_box(nullptr, IDOK,
                                  [&](HWND box) {
                                      text = boxes::box_text(box);
                                      wchar_t c[256] = {};
                                      GetWindowTextW(box, c, 256);
                                      caption = c;
                                  },
                                  [&] { passed = startup::SingleInstanceGuard(app.m_instanceMutex); },
                                  GetCurrentThreadId()));
    EXPECT_FALSE(passed);
    EXPECT_EQ(text, tw::error_text(ERROR_BUSY, 0));
    SetEvent(release);
    first.join();
    EXPECT_TRUE(startup::SingleInstanceGuard(app.m_instanceMutex)) << "free again";
    CloseHandle(held);
    CloseHandle(release);
}

} // namespace
