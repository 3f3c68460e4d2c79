// DLLs planted beside the installer and in its current directory are never
// loaded. The installer runs from a Downloads folder holding a marker DLL under
// every name it loads, and with Wine's load order set to search for each of
// those names as Windows searches for a DLL that is not a known system DLL
// (the program's folder first). Driven through a full installation, it loads
// none of them, and every module in it comes from the Windows folder.
#include "resources/dialog_ids.h"
#include "tests/common/host_path.h"
#include "tests/driver/gui_driver.h"
#include "tests/engine/installation_check.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <optional>
#include <set>
#include <vector>

namespace {

using gui::installer;
using namespace std::chrono_literals;

// Every DLL the installer loads, from a Wine trace (WINEDEBUG=+loaddll) of the
// wizard and from its executable, whose delay-loaded DLLs are bound through
// the same search: all but the four that are in the process before its first
// instruction (below).
const wchar_t* const kPlantedNames[] = {
    // Delay-loaded by the executable.
    L"user32", L"gdi32", L"comctl32", L"shell32", L"shlwapi", L"advapi32", L"ole32",
    // Loaded by those in turn, by the helper layer by name, or at the start
    // before any system DLL can load them by name.
    L"version", L"uxtheme", L"dwmapi", L"imm32", L"msimg32", L"win32u", L"shcore", L"combase", L"rpcrt4",
    L"sechost", L"ucrtbase",
    // Loaded for the random source of the temporary folder's name, and
    // unloaded again after it.
    L"crypt32", L"bcrypt", L"rsaenh",
    // Wine's own dependency of its system DLLs.
    L"zlib1",
};

// Modules the test does not plant.
const wchar_t* const kNotPlanted[] = {L"ntdll", L"kernel32", L"kernelbase", L"msvcrt", L"winex11.drv"};

// Not planted: ntdll.dll, kernel32.dll, kernelbase.dll and msvcrt.dll are in
// the process before its first instruction. On Windows they are known system
// DLLs, always mapped from the system folder. Wine difference: Wine keeps no
// list of known DLLs, so under a native-first order it would take planted
// copies of these four, which no program can prevent and Windows never does.
// winex11.drv is Wine's display driver, loaded by full path.
//
// Wine difference: Wine's own DLLs load some others by name (imm32, msimg32,
// uxtheme, ole32 and what ole32 imports) with a search that ignores the
// program's restriction, the program's folder first. Windows honours the
// restriction there. The installer loads those from the system folder at its
// start, so such loads find them in the process; without that, this test sees
// the planted ole32, combase, rpcrt4 and msimg32 in the installer under Wine.

std::wstring environment(const wchar_t* name)
{
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

std::wstring lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

bool starts_with(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::wstring windows_folder()
{
    wchar_t path[MAX_PATH] = {};
    GetWindowsDirectoryW(path, MAX_PATH);
    return lower(path) + L"\\";
}

// Marker files that planted copies left in `folder`.
std::vector<std::wstring> markers_in(const std::wstring& folder)
{
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((folder + L"\\*.loaded").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return found;
    do
        found.push_back(data.cFileName);
    while (FindNextFileW(search, &data));
    FindClose(search);
    return found;
}

// Full paths of the modules loaded in process `pid`, lower-cased.
std::vector<std::wstring> modules_of(DWORD pid)
{
    std::vector<std::wstring> paths;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE)
        return paths;
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Module32FirstW(snapshot, &entry); more; more = Module32NextW(snapshot, &entry))
        paths.push_back(lower(entry.szExePath));
    CloseHandle(snapshot);
    return paths;
}

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

class PlantedDlls : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* marker_dll = std::getenv("TW_PLANTED_DLL");
        ASSERT_TRUE(marker_dll) << "TW_PLANTED_DLL not set";
        ASSERT_FALSE(gui::installer_path().empty()) << "TW_INSTALLER not set";
        std::wstring marker = host_path_to_windows(marker_dll);

        // Two folders of the test's own prefix. Not the profile's Downloads:
        // Wine links that to the Unix home folder, outside the prefix.
        wchar_t temp[MAX_PATH] = {};
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        m_downloads = std::wstring(temp) + L"Downloads";
        m_workdir = std::wstring(temp) + L"Work";
        for (const std::wstring& folder : {m_downloads, m_workdir}) {
            ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << narrow(folder);
            ASSERT_TRUE(markers_in(folder).empty());
        }
        m_installer = m_downloads + L"\\InstallKorvane6.52a.exe";
        ASSERT_TRUE(CopyFileW(gui::installer_path().c_str(), m_installer.c_str(), FALSE));

        std::wstring names;
        std::printf("planted in the installer's folder and the current directory:");
        for (const wchar_t* name : kPlantedNames) {
            for (const std::wstring& folder : {m_downloads, m_workdir})
                ASSERT_TRUE(CopyFileW(marker.c_str(), (folder + L"\\" + name + L".dll").c_str(), FALSE)) << narrow(name);
            names += (names.empty() ? L"" : L",") + std::wstring(name);
            std::printf(" %s.dll", narrow(name).c_str());
        }
        std::printf("\n");

        // The installer inherits this process's environment and current directory.
        m_saved_overrides = environment(L"WINEDLLOVERRIDES");
        std::wstring overrides = names + L"=n,b";
        if (!m_saved_overrides.empty())
            overrides = m_saved_overrides + L";" + overrides;
        SetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides.c_str());
        wchar_t current[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, current);
        m_saved_directory = current;
        ASSERT_TRUE(SetCurrentDirectoryW(m_workdir.c_str()));
    }

    void TearDown() override
    {
        SetEnvironmentVariableW(L"WINEDLLOVERRIDES", m_saved_overrides.empty() ? nullptr : m_saved_overrides.c_str());
        SetCurrentDirectoryW(m_saved_directory.c_str());
    }

    // No planted copy has left its marker.
    void expect_no_marker() const
    {
        for (const std::wstring& folder : {m_downloads, m_workdir})
            for (const std::wstring& marker : markers_in(folder))
                ADD_FAILURE() << "loaded the planted " << narrow(folder) << "\\" << narrow(marker);
    }

    // Every module of the running installer is the installer itself or comes
    // from the Windows folder (system folder or side-by-side store), and is one
    // the test plants or knows not to: a DLL the installer starts to load
    // (with the install engine, say) must join the planted names.
    void expect_modules_from_windows_folder_and_planted(const installer& app) const
    {
        std::vector<std::wstring> modules = modules_of(app.process_id());
        ASSERT_FALSE(modules.empty());
        const std::wstring windows = windows_folder();
        std::set<std::wstring> known;
        for (const wchar_t* name : kPlantedNames)
            known.insert(lower(name) + L".dll");
        for (const wchar_t* name : kNotPlanted)
            known.insert(std::wstring(name).find(L'.') == std::wstring::npos ? std::wstring(name) + L".dll" : name);
        bool common_controls_6 = false;
        for (const std::wstring& path : modules) {
            if (path == lower(m_installer))
                continue;
            EXPECT_TRUE(starts_with(path, windows)) << narrow(path);
            std::wstring name = path.substr(path.rfind(L'\\') + 1);
            EXPECT_TRUE(known.count(name)) << "loads " << narrow(path) << ", which the test does not plant";
            if (path.find(L"\\winsxs\\") != std::wstring::npos && name == L"comctl32.dll")
                common_controls_6 = true;
        }
        EXPECT_TRUE(common_controls_6) << "the manifest's common controls come from the side-by-side store";
    }

    // The folder browser of the folder or shortcut page, opened and cancelled.
    static void browse_and_cancel(const installer& app)
    {
        ASSERT_TRUE(app.click(IDC_BROWSE));
        HWND browser = app.wait_for_owned(app.frame(), L"#32770");
        ASSERT_TRUE(browser) << "no folder browser on page " << app.page_index();
        ASSERT_TRUE(gui::click_in(browser, IDCANCEL));
        ASSERT_TRUE(gui::wait_until([&] { return !IsWindow(browser); }));
    }

    // The user's way through a full installation: the About box, the exit
    // question answered No, every page of the advanced mode with its folder
    // browser, Install, and the end page.
    void install(const installer& app) const
    {
        ASSERT_TRUE(app.wait_for_page(0));
        app.system_command(IDM_ABOUTBOX);
        std::optional<gui::message_box> about = app.wait_for_box(5s);
        ASSERT_TRUE(about) << "no About box";
        ASSERT_TRUE(about->press(IDOK));
        ASSERT_TRUE(app.click(IDOK));
        ASSERT_TRUE(app.wait_for_page(1));
        ASSERT_TRUE(app.click(IDCANCEL));
        std::optional<gui::message_box> question = app.wait_for_box(5s);
        ASSERT_TRUE(question) << "no exit question";
        ASSERT_TRUE(question->press(IDNO));
        ASSERT_TRUE(app.set_checked(IDC_MODE_ADVANCED, true));
        for (int page : {2, 3, 4}) {
            ASSERT_TRUE(app.click(IDOK)) << "Next on page " << page - 1;
            ASSERT_TRUE(app.wait_for_page(page));
            if (page != 4)
                browse_and_cancel(app);
        }
        ASSERT_TRUE(installation::press_install(app)) << narrow(app.text(IDC_STATUS));
        ASSERT_TRUE(app.click(IDOK));
        ASSERT_TRUE(app.wait_for_page(5));
    }

    std::wstring m_downloads;
    std::wstring m_workdir;
    std::wstring m_installer;
    std::wstring m_saved_overrides;
    std::wstring m_saved_directory;
};

TEST_F(PlantedDlls, NoneIsLoadedThroughAFullInstallation)
{
    {
        installer app(m_installer);
        EXPECT_TRUE(app.started()) << "no wizard frame";
        if (app.started()) {
            install(app);
            expect_modules_from_windows_folder_and_planted(app);
            ASSERT_TRUE(app.click(IDCANCEL));
            EXPECT_TRUE(app.wait_for_exit());
        }
    }
    expect_no_marker();
}

} // namespace
