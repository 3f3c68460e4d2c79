#pragma once
// What an installation of the demo product leaves on the machine, read back
// in the test's Wine prefix: the payload's files at their destinations, the
// registry, link files, the uninstall log; and a snapshot of everything the
// installer may touch, to compare before and after a run.
#include "tests/driver/gui_driver.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace installation {

// Where the demo payload puts things in a fresh prefix.
constexpr const wchar_t* kInstallFolder = L"C:\\Program Files\\Tarnwick\\Korvane 6";
constexpr const wchar_t* kMenuFolder = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tarnwick\\Korvane 6";
constexpr const wchar_t* kCommonDesktop = L"C:\\users\\Public\\Desktop";
constexpr const wchar_t* kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvane 6";
constexpr const wchar_t* kCompanyKey = L"Software\\Tarnwick";

// One entry of the payload tool's listing of the demo payload.
struct payload_file {
    uint32_t kind = 0;
    uint64_t size = 0;
    uint32_t crc = 0;
    std::wstring folder_template;
    std::wstring name;        // the installed file name
    std::wstring host_source; // the file the payload was built from, as a Windows path
};

// The listing (TW_PAYLOAD_LISTING) with its sources below TW_PAYLOAD_SOURCES.
std::vector<payload_file> demo_payload();

// The folder a template of the demo payload resolves to in this prefix.
std::wstring destination_folder(const std::wstring& folderTemplate, const std::wstring& installFolder,
                                const std::wstring& sampleFolderName = L"Korvane Examples");

// A folder of the build tree (an environment variable) as a Windows path.
std::wstring env_windows_path(const char* name);

// Every file and folder below `folder`, a folder before what it holds.
void for_each_file(const std::wstring& folder,
                   const std::function<void(const std::wstring& path, const WIN32_FIND_DATAW& found)>& visit);

std::string read_bytes(const std::wstring& path);
bool write_bytes(const std::wstring& path, const std::string& bytes);
bool exists(const std::wstring& path);
bool make_folder(const std::wstring& path);

// A value of a key as "type:data" (strings as text, DWORDs in decimal).
using key_values = std::vector<std::pair<std::wstring, std::wstring>>;
// The values of HKLM\`key` in the order the registry keeps them; empty when
// the key is missing.
key_values machine_values(const std::wstring& key, HKEY root = HKEY_LOCAL_MACHINE);

// The target of a link file, read through IShellLinkW; empty on failure.
std::wstring link_target(const std::wstring& linkFile);
// Its working folder.
std::wstring link_working_folder(const std::wstring& linkFile);

// Files (path -> attributes and content) and registry keys (path -> values)
// under the places an installation touches, including the temporary folder.
struct snapshot {
    std::map<std::wstring, std::string> files;
    std::map<std::wstring, key_values> keys;
    bool operator==(const snapshot&) const = default;
};
snapshot take_snapshot();
// The same over the wider places that a removal must leave as they were: all
// of Program Files and ProgramData, both desktops, the temporary folder, the
// whole of HKLM\Software and of HKEY_CLASSES_ROOT.
snapshot take_wide_snapshot();
// The differences, one per line, for a failure message.
std::string describe_difference(const snapshot& before, const snapshot& after);

// From the start page: Next, Next (quick mode), Install, and waits for the
// run to end. True when it completed; the wizard stays on the install page.
bool quick_install(const gui::installer& app, std::chrono::milliseconds timeout = std::chrono::minutes(3));

// The demo product started as a user starts it, with its main window up.
struct running_product {
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
    running_product() = default;
    running_product(const running_product&) = delete;
    running_product& operator=(const running_product&) = delete;
    ~running_product();
    // Closes the window and waits for the process to end; true when it did.
    bool close();
};
// Starts `exe` and waits for its window; `window` stays null when it did not come.
void start_product(const std::wstring& exe, running_product& product);

// Presses Install on the install page and waits until the run has ended:
// true when the installation completed (Exit reads "Exit").
bool press_install(const gui::installer& app, std::chrono::milliseconds timeout = std::chrono::minutes(3));

} // namespace installation
