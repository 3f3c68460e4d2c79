// The demo product's uninstaller under Wine after a real installation,
// started as the list of installed programs starts it: with the exact
// command line of the Uninstall key's UninstallString. Its boxes are found
// by caption, whichever of its two processes shows them (the original hands
// the work to its copy in the temporary folder). What it leaves is read back
// from the prefix's file system and registry.
#include "resources/dialog_ids.h"
#include "tests/common/host_path.h"
#include "tests/driver/gui_driver.h"
#include "tests/engine/installation_6_50.h"
#include "tests/engine/installation_check.h"
#include "winhelpers/scoped_handle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

using gui::installer;
using namespace installation;
using namespace std::chrono_literals;

constexpr const wchar_t* kCaption = L"Korvane";

struct box_search {
    HWND found = nullptr;
};

BOOL CALLBACK find_product_box(HWND wnd, LPARAM search)
{
    DWORD process = 0;
    GetWindowThreadProcessId(wnd, &process);
    if (process != GetCurrentProcessId() && IsWindowVisible(wnd) && gui::class_name(wnd) == L"#32770" &&
        gui::window_text(wnd) == kCaption) {
        reinterpret_cast<box_search*>(search)->found = wnd;
        return FALSE;
    }
    return TRUE;
}

// A box of the uninstaller: captioned with the product's name, of whichever
// process shows it, with that process held open to read its exit code.
struct uninstaller_box {
    gui::message_box box{nullptr};
    tw::scoped_handle process;
};

std::optional<uninstaller_box> wait_for_uninstaller_box(std::chrono::milliseconds timeout = 30s)
{
    box_search search;
    gui::wait_until(
        [&] {
            EnumWindows(find_product_box, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeout);
    if (!search.found)
        return std::nullopt;
    uninstaller_box result{gui::message_box(search.found), {}};
    DWORD process = 0;
    GetWindowThreadProcessId(search.found, &process);
    result.process.reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, process));
    return result;
}

// The process's exit code once it has ended within `timeout`, else STILL_ACTIVE.
DWORD exit_code_of(HANDLE process, DWORD timeoutMs = 60000)
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    return code;
}

std::wstring registered_string(const wchar_t* name)
{
    for (const auto& [value, text] : machine_values(kUninstallKey))
        if (value == name && text.rfind(L"sz:", 0) == 0)
            return text.substr(3);
    return {};
}

// Starts what the list of installed programs starts: the command line of
// UninstallString as it stands. The program the user started hands over and
// ends at once with 0.
void start_uninstaller()
{
    std::wstring command = registered_string(L"UninstallString");
    ASSERT_FALSE(command.empty()) << "no UninstallString";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        << GetLastError();
    tw::scoped_handle process(info.hProcess), thread(info.hThread);
    EXPECT_EQ(exit_code_of(process.get()), 0u) << "the uninstaller the user started";
}

// A restart, as far as the removals scheduled for it go. Windows performs
// them while it starts again; under Wine "wineboot -r" performs them (Wine
// difference: a test on Windows would reboot the machine instead).
void restart()
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring program = std::wstring(system) + L"\\wineboot.exe";
    std::wstring command = L"\"" + program + L"\" -r";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &info))
        << GetLastError();
    tw::scoped_handle process(info.hProcess), thread(info.hThread);
    ASSERT_EQ(WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
}

// Copies of the uninstaller left in the temporary folder.
std::vector<std::wstring> copies_in_temp()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((std::wstring(temp) + L"tarnwick_uninstall_*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return found;
    do
        found.push_back(data.cFileName);
    while (FindNextFileW(find, &data));
    FindClose(find);
    return found;
}

std::wstring installed_log()
{
    return std::wstring(kInstallFolder) + L"\\Uninstall.ulog";
}

// The log's lines without the empty one after the last line end.
std::vector<std::wstring> log_lines(const std::wstring& logPath)
{
    std::vector<std::wstring> lines = gui::lines_of(log_as_text(read_bytes(logPath)));
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

// Replaces the read-only log as a user with an editor would.
bool rewrite_log(const std::wstring& logPath, const std::vector<std::wstring>& lines)
{
    SetFileAttributesW(logPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    return write_bytes(logPath, log_bytes(lines));
}

bool contains_line(const std::wstring& text, const std::wstring& line)
{
    std::vector<std::wstring> lines = gui::lines_of(text);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class Uninstall : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(gui::installer_path().empty()) << "TW_INSTALLER not set";
    }

    // A quick installation with both shortcuts, to the end page and Exit.
    void install_quickly()
    {
        installer app;
        ASSERT_TRUE(app.started()) << "the wizard did not open";
        ASSERT_TRUE(quick_install(app)) << testing::PrintToString(app.text(IDC_STATUS));
        ASSERT_TRUE(app.click(IDOK));
        ASSERT_TRUE(app.wait_for_page(5));
        ASSERT_TRUE(app.click(IDCANCEL));
        ASSERT_TRUE(app.wait_for_exit(10s));
        ASSERT_TRUE(exists(kMenuLink)) << "no Start-menu link";
        ASSERT_TRUE(exists(kDesktopLink)) << "no desktop link";
    }

    // Starts the uninstaller, confirms, and answers the closing box: its text
    // and the exit code.
    void uninstall(std::wstring& finalText, DWORD& exitCode)
    {
        ASSERT_NO_FATAL_FAILURE(start_uninstaller());
        std::optional<uninstaller_box> confirm = wait_for_uninstaller_box();
        ASSERT_TRUE(confirm) << "no confirmation";
        EXPECT_EQ(confirm->box.text(), L"Do you want to remove Korvane 6.52a and all of its components from this computer?");
        ASSERT_TRUE(confirm->box.has_button(IDYES) && confirm->box.has_button(IDNO));
        ASSERT_TRUE(confirm->box.press(IDYES));
        std::optional<uninstaller_box> done = wait_for_uninstaller_box(2min);
        ASSERT_TRUE(done) << "no closing box";
        finalText = done->box.text();
        ASSERT_TRUE(done->box.press(IDOK));
        exitCode = exit_code_of(done->process.get());
    }

    static constexpr const wchar_t* kKeptCurves = L"C:\\ProgramData\\Tarnwick\\Curves\\Standard.crv";
    static constexpr const wchar_t* kKeptModels = L"C:\\ProgramData\\Tarnwick\\Models\\Standard.mdl";
    const std::wstring kMenuLink = std::wstring(kMenuFolder) + L"\\Korvane 6.52a.lnk";
    const std::wstring kDesktopLink = std::wstring(kCommonDesktop) + L"\\Korvane 6.52a.lnk";
};

// What differs from `before` must be a kept data file, or a folder on its way.
void expect_only_kept_data_added(const snapshot& before, const snapshot& after)
{
    snapshot expected = before;
    for (const auto& [path, content] : after.files)
        if (!before.files.count(path) && (path.rfind(L"C:\\ProgramData\\Tarnwick", 0) == 0))
            expected.files[path] = content;
    EXPECT_TRUE(expected == after) << describe_difference(expected, after);
}

// Install, uninstall: the machine as it was, but for the kept data files,
// which the closing box names by folder.
TEST_F(Uninstall, RoundTripLeavesOnlyTheKeptData)
{
    snapshot before = take_wide_snapshot();
    ASSERT_NO_FATAL_FAILURE(install_quickly());
    ASSERT_FALSE(machine_values(L"Software\\Classes\\Korvane.Document.6").empty()) << "the product registered nothing";

    std::wstring text;
    DWORD code = 0;
    ASSERT_NO_FATAL_FAILURE(uninstall(text, code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(contains_line(text, L"Korvane 6.52a has been removed from this computer.")) << testing::PrintToString(text);
    EXPECT_TRUE(contains_line(text, L"Your own data files were kept, in:")) << testing::PrintToString(text);
    EXPECT_TRUE(contains_line(text, L"C:\\ProgramData\\Tarnwick\\Curves")) << testing::PrintToString(text);
    EXPECT_TRUE(contains_line(text, L"C:\\ProgramData\\Tarnwick\\Models")) << testing::PrintToString(text);
    EXPECT_FALSE(exists(kInstallFolder));
    EXPECT_TRUE(exists(kKeptCurves));
    EXPECT_TRUE(exists(kKeptModels));
    EXPECT_EQ(copies_in_temp().size(), 1u) << "the copy waits for the restart";

    ASSERT_NO_FATAL_FAILURE(restart());
    EXPECT_EQ(copies_in_temp(), std::vector<std::wstring>{});
    snapshot after = take_wide_snapshot();
    expect_only_kept_data_added(before, after);
}

// Over 6.50: the merged log lists what either installation put in place.
TEST_F(Uninstall, UpdateThenUninstallRemovesBothInstallations)
{
    snapshot before = take_wide_snapshot();
    ASSERT_NO_FATAL_FAILURE(lay_out_6_50());
    ASSERT_NO_FATAL_FAILURE(install_quickly());
    ASSERT_TRUE(exists(kOldTexture));

    std::wstring text;
    DWORD code = 0;
    ASSERT_NO_FATAL_FAILURE(uninstall(text, code));
    EXPECT_EQ(code, 0u) << testing::PrintToString(text);
    EXPECT_FALSE(exists(kOldTexture));
    EXPECT_EQ(read_bytes(kCurves), "the user's own curves");
    EXPECT_FALSE(exists(kInstallFolder));
    EXPECT_TRUE(machine_values(kUninstallKey).empty()) << "the 6.50 key's own value goes with the key";
    EXPECT_TRUE(machine_values(kCompanyKey).empty());

    ASSERT_NO_FATAL_FAILURE(restart());
    snapshot after = take_wide_snapshot();
    expect_only_kept_data_added(before, after);
}

// The product runs: the uninstaller asks to close it; Cancel removes nothing.
TEST_F(Uninstall, CancelWhileTheProductRunsRemovesNothing)
{
    ASSERT_NO_FATAL_FAILURE(install_quickly());
    ASSERT_NO_FATAL_FAILURE(restart()); // what the installation scheduled, if anything, done first
    snapshot installed = take_wide_snapshot();
    running_product product;
    start_product(std::wstring(kInstallFolder) + L"\\Korvane.exe", product);
    ASSERT_NE(product.window, nullptr);

    ASSERT_NO_FATAL_FAILURE(start_uninstaller());
    std::optional<uninstaller_box> box = wait_for_uninstaller_box();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->box.text(), L"Please close Korvane before it is removed.");
    EXPECT_TRUE(box->box.has_button(IDRETRY));
    // Retry while the product still runs asks again.
    ASSERT_TRUE(box->box.press(IDRETRY));
    std::optional<uninstaller_box> again = wait_for_uninstaller_box();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->box.text(), L"Please close Korvane before it is removed.");
    ASSERT_TRUE(again->box.press(IDCANCEL));
    EXPECT_EQ(exit_code_of(again->process.get()), 1u);

    ASSERT_TRUE(product.close());
    ASSERT_NO_FATAL_FAILURE(restart());
    snapshot after = take_wide_snapshot();
    EXPECT_TRUE(installed == after) << describe_difference(installed, after);
}

// A file the user deleted by hand is no error.
TEST_F(Uninstall, AFileRemovedByHandIsNoError)
{
    snapshot before = take_wide_snapshot();
    ASSERT_NO_FATAL_FAILURE(install_quickly());
    const std::wstring texture = L"C:\\ProgramData\\Tarnwick\\Textures\\Korvane 6\\Noyer3.jpg";
    ASSERT_TRUE(DeleteFileW(texture.c_str()));

    std::wstring text;
    DWORD code = 0;
    ASSERT_NO_FATAL_FAILURE(uninstall(text, code));
    EXPECT_EQ(code, 0u) << testing::PrintToString(text);
    EXPECT_FALSE(exists(kInstallFolder));
    ASSERT_NO_FATAL_FAILURE(restart());
    expect_only_kept_data_added(before, take_wide_snapshot());
}

// The log's last lines damaged: what came before them is removed, the box
// says the removal was partial, and what they named stays.
TEST_F(Uninstall, ADamagedLogEndRemovesOnlyWhatCameBefore)
{
    ASSERT_NO_FATAL_FAILURE(install_quickly());
    const std::wstring logPath = installed_log();
    std::vector<std::wstring> lines = log_lines(logPath);
    ASSERT_GE(lines.size(), 10u);
    // The last two entries (the Uninstall key, the registration) become garbage.
    ASSERT_NE(lines[lines.size() - 2].find(L":05ff:"), std::wstring::npos);
    lines[lines.size() - 2] = L"00zz:05ff:1 -- HKEY_LOCAL_MACHINE\\?";
    lines.back() = L"garbage";
    ASSERT_TRUE(rewrite_log(logPath, lines));

    std::wstring text;
    DWORD code = 0;
    ASSERT_NO_FATAL_FAILURE(uninstall(text, code));
    EXPECT_EQ(code, 2u);
    EXPECT_TRUE(contains_line(text, L"Korvane 6.52a has been removed only in part.")) << testing::PrintToString(text);
    EXPECT_NE(text.find(L"The uninstall information " + logPath + L" is damaged"), std::wstring::npos)
        << testing::PrintToString(text);
    // Listed before the damage: gone.
    EXPECT_FALSE(exists(std::wstring(kInstallFolder) + L"\\Korvane.exe"));
    EXPECT_FALSE(exists(kMenuLink));
    EXPECT_FALSE(exists(kDesktopLink));
    // Named only by the damaged lines: still there, and the log with its folder.
    EXPECT_FALSE(machine_values(kUninstallKey).empty());
    EXPECT_FALSE(machine_values(L"Software\\Classes\\Korvane.Document.6").empty());
    EXPECT_TRUE(exists(logPath));
}

// A foreign log, then none at all: a box says so, nothing is removed.
TEST_F(Uninstall, AForeignOrMissingLogRemovesNothing)
{
    ASSERT_NO_FATAL_FAILURE(install_quickly());
    const std::wstring logPath = installed_log();
    SetFileAttributesW(logPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    for (bool foreign : {true, false}) {
        if (foreign)
            ASSERT_TRUE(write_bytes(logPath, "[Settings]\r\nNot=an uninstall log\r\n"));
        else
            ASSERT_TRUE(DeleteFileW(logPath.c_str()));
        ASSERT_NO_FATAL_FAILURE(restart());
        snapshot before = take_wide_snapshot();

        ASSERT_NO_FATAL_FAILURE(start_uninstaller());
        std::optional<uninstaller_box> confirm = wait_for_uninstaller_box();
        ASSERT_TRUE(confirm);
        ASSERT_TRUE(confirm->box.press(IDYES));
        std::optional<uninstaller_box> box = wait_for_uninstaller_box();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->box.text(), L"The uninstall information " + logPath +
                                       L" is missing or cannot be read. Nothing has been removed.")
            << "foreign " << foreign;
        ASSERT_TRUE(box->box.press(IDOK));
        EXPECT_EQ(exit_code_of(box->process.get()), 2u);
        ASSERT_NO_FATAL_FAILURE(restart());
        snapshot after = take_wide_snapshot();
        EXPECT_TRUE(before == after) << "foreign " << foreign << "\n" << describe_difference(before, after);
    }
}

// A log that names the Windows folder, a file in it and a relative path:
// none is touched, the box names them and the exit code is 2.
TEST_F(Uninstall, ALogNamingTheWindowsFolderOrARelativePathTouchesNeither)
{
    ASSERT_NO_FATAL_FAILURE(install_quickly());
    const std::wstring logPath = installed_log();
    std::vector<std::wstring> lines = log_lines(logPath);
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring winIni = std::wstring(windows) + L"\\win.ini";
    ASSERT_TRUE(exists(winIni));
    // A relative name, present both where the copy runs from and at the root.
    const std::wstring relative = L"Tarnwick relative.txt";
    ASSERT_TRUE(write_bytes(L"C:\\" + relative, "not the product's"));
    size_t n = lines.size() - 6;
    lines.push_back(entry_line(n++, 0xff, true, windows));
    lines.push_back(entry_line(n++, 0x100, true, winIni));
    lines.push_back(entry_line(n++, 0x100, true, relative));
    ASSERT_TRUE(rewrite_log(logPath, lines));

    std::wstring text;
    DWORD code = 0;
    ASSERT_NO_FATAL_FAILURE(uninstall(text, code));
    EXPECT_EQ(code, 2u);
    EXPECT_TRUE(exists(windows));
    EXPECT_TRUE(exists(winIni));
    EXPECT_EQ(read_bytes(L"C:\\" + relative), "not the product's");
    EXPECT_TRUE(contains_line(text, L"These items could not be removed:")) << testing::PrintToString(text);
    for (const std::wstring& named : {std::wstring(windows), winIni, relative})
        EXPECT_TRUE(contains_line(text, named)) << testing::PrintToString(named);
    // The rest went.
    EXPECT_FALSE(exists(std::wstring(kInstallFolder) + L"\\Korvane.exe"));
    EXPECT_TRUE(machine_values(kUninstallKey).empty());
}

} // namespace
