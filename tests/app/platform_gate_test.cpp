// The real installer under Wine with the Windows version of its prefix set
// per case: unsupported systems get the gate's box and exit code 1.
#include "tests/common/host_path.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

std::wstring g_installer;
const wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\InstallKorvane6.52a.exe";

// Wine answers GetVersionEx for one program with the version set under its
// AppDefaults key; this program keeps the prefix's own.
class WineVersionFor {
public:
    explicit WineVersionFor(const wchar_t* version)
    {
        RegSetKeyValueW(HKEY_CURRENT_USER, kAppDefaults, L"Version", REG_SZ, version,
                        static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
    }
    ~WineVersionFor() { RegDeleteTreeW(HKEY_CURRENT_USER, kAppDefaults); }
};

class Process {
public:
    explicit Process(const std::wstring& exe)
    {
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        std::wstring cmd = L"\"" + exe + L"\"";
        if (CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
            CloseHandle(pi_.hThread);
        else
            pi_.hProcess = nullptr;
    }
    ~Process()
    {
        if (pi_.hProcess) {
            if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(pi_.hProcess, 99);
            CloseHandle(pi_.hProcess);
        }
    }
    bool started() const { return pi_.hProcess != nullptr; }
    DWORD id() const { return pi_.dwProcessId; }
    bool exited(DWORD ms) const { return WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD exit_code() const
    {
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION pi_ = {};
};

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK find_visible_window(HWND wnd, LPARAM param)
{
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid == s->pid && IsWindowVisible(wnd)) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}

// The first visible top-level window of the process, or null once it exited
// or the time ran out.
HWND wait_for_window(const Process& p, DWORD timeout_ms)
{
    for (DWORD waited = 0; waited < timeout_ms; waited += 50) {
        Search s = {p.id(), nullptr};
        EnumWindows(find_visible_window, reinterpret_cast<LPARAM>(&s));
        if (s.found)
            return s.found;
        if (p.exited(50))
            return nullptr;
    }
    return nullptr;
}

std::wstring window_text(HWND wnd)
{
    wchar_t buf[1024] = {};
    GetWindowTextW(wnd, buf, 1024);
    return buf;
}

std::wstring class_name(HWND wnd)
{
    wchar_t buf[256] = {};
    GetClassNameW(wnd, buf, 256);
    return buf;
}

BOOL CALLBACK find_icon(HWND child, LPARAM param)
{
    // Windows gives the box's icon control id 20, Wine 1088: look for the style.
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HICON*>(param) = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        return FALSE;
    }
    return TRUE;
}

HICON box_icon(HWND box)
{
    HICON icon = nullptr;
    EnumChildWindows(box, find_icon, reinterpret_cast<LPARAM>(&icon));
    return icon;
}

struct GateCase {
    const wchar_t* wine_version;
    const wchar_t* box_text; // null: the platform passes
};

class PlatformGate : public ::testing::TestWithParam<GateCase> {};

TEST_P(PlatformGate, UnsupportedSystemsAreTurnedAway)
{
    const GateCase& c = GetParam();
    WineVersionFor version(c.wine_version);
    Process installer(g_installer);
    ASSERT_TRUE(installer.started());

    HWND wnd = wait_for_window(installer, 20000);
    if (c.box_text) {
        ASSERT_NE(wnd, nullptr) << "no box";
        EXPECT_EQ(class_name(wnd), L"#32770");
        EXPECT_EQ(window_text(GetDlgItem(wnd, 0xFFFF)), c.box_text);
        // The box has no owner and the system's default caption.
        EXPECT_EQ(GetWindow(wnd, GW_OWNER), nullptr);
        EXPECT_EQ(window_text(wnd), L"Error");
        // The stop icon is not checked: under Wine the icon handle of another
        // process's box cannot be read back (GetIconInfo fails on it), and its
        // control id differs from Windows' (1088, not 20).
        EXPECT_NE(box_icon(wnd), nullptr);
        SendMessageW(GetDlgItem(wnd, IDOK), BM_CLICK, 0, 0);
        ASSERT_TRUE(installer.exited(10000));
        EXPECT_EQ(installer.exit_code(), 1u);
    } else if (wnd) {
        // Past the gate: whatever the installer shows is not the gate's box.
        EXPECT_NE(window_text(GetDlgItem(wnd, 0xFFFF)), L"Unknown System Version");
        EXPECT_EQ(window_text(GetDlgItem(wnd, 0xFFFF)).find(L"This Version is not compatible"), std::wstring::npos);
    } else {
        ASSERT_TRUE(installer.exited(0));
        EXPECT_EQ(installer.exit_code(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(WineVersions, PlatformGate,
                         ::testing::Values(GateCase{L"win2k", L"Unknown System Version"},
                                           GateCase{L"win7", nullptr}, GateCase{L"win10", nullptr}),
                         [](const auto& info) {
                             std::wstring v = info.param.wine_version;
                             return std::string(v.begin(), v.end());
                         });

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: platform_gate_tests INSTALLER.exe\n");
        return 2;
    }
    g_installer = host_path_to_windows(argv[1]);
    return RUN_ALL_TESTS();
}
