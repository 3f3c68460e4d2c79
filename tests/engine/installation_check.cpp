#include "tests/engine/installation_check.h"

#include "resources/dialog_ids.h"
#include "tests/common/host_path.h"
#include "winhelpers/scoped_com.h"
#include "winhelpers/scoped_handle.h"
#include "winhelpers/scoped_reg_key.h"
#include "winhelpers/scoped_resource.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace installation {
namespace {

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

// A FindFirstFileW search, closed with the holder.
struct find_handle_traits {
    using value_type = HANDLE;
    static value_type empty() { return INVALID_HANDLE_VALUE; }
    static bool is_empty(value_type h) { return h == INVALID_HANDLE_VALUE; }
    static void release(value_type h) noexcept { FindClose(h); }
};

void add_files(const std::wstring& folder, std::map<std::wstring, std::string>& files)
{
    for_each_file(folder, [&](const std::wstring& path, const WIN32_FIND_DATAW& found) {
        std::string attributes = std::to_string(found.dwFileAttributes & ~FILE_ATTRIBUTE_ARCHIVE & ~0x80u);
        files[path] = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "folder " + attributes
                                                                          : attributes + " " + read_bytes(path);
    });
}

void add_keys(HKEY root, const std::wstring& rootName, const std::wstring& key,
              std::map<std::wstring, key_values>& keys)
{
    tw::scoped_reg_key open;
    if (open.open(root, key.c_str(), KEY_READ) != ERROR_SUCCESS)
        return;
    keys[rootName + L"\\" + key] = machine_values(key, root);
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(open.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        // The 32-bit view's link back into the tree itself.
        if (lstrcmpiW(name, L"Wow6432Node") == 0)
            continue;
        add_keys(root, rootName, key.empty() ? std::wstring(name) : key + L"\\" + name, keys);
    }
}

} // namespace

std::wstring env_windows_path(const char* name)
{
    const char* value = std::getenv(name);
    return value ? host_path_to_windows(value) : std::wstring();
}

void for_each_file(const std::wstring& folder,
                   const std::function<void(const std::wstring& path, const WIN32_FIND_DATAW& found)>& visit)
{
    WIN32_FIND_DATAW found;
    tw::scoped_resource<find_handle_traits> find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find.valid())
        return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring path = folder + L"\\" + name;
        visit(path, found);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            for_each_file(path, visit);
    } while (FindNextFileW(find.get(), &found));
}

std::vector<payload_file> demo_payload()
{
    std::vector<payload_file> files;
    const char* listing = std::getenv("TW_PAYLOAD_LISTING");
    const std::wstring sources = env_windows_path("TW_PAYLOAD_SOURCES");
    if (!listing)
        return files;
    std::ifstream in(listing);
    std::string line;
    const std::string root = "C:\\Dev\\Installer\\Files\\Korvane\\";
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int index = -1;
        std::string kind, crc, folder;
        payload_file f;
        if (!(fields >> index >> kind >> f.size >> crc))
            continue;
        std::getline(fields >> std::ws, folder);
        std::string source;
        std::getline(in, source);
        source.erase(0, source.find_first_not_of(' '));
        if (source.compare(0, root.size(), root) != 0)
            continue;
        static const char* const kinds[] = {"program_file", "main_program", "uninstaller",
                                            "kept_data",    "content",      "special"};
        for (uint32_t k = 0; k < 6; ++k)
            if (kind == kinds[k])
                f.kind = k;
        f.crc = static_cast<uint32_t>(std::stoul(crc, nullptr, 16));
        f.folder_template.assign(folder.begin(), folder.end());
        std::string relative = source.substr(root.size());
        f.name.assign(relative.begin() + static_cast<long>(relative.find_last_of('\\') + 1), relative.end());
        f.host_source = sources + L"\\" + std::wstring(relative.begin(), relative.end());
        files.push_back(f);
    }
    return files;
}

std::wstring destination_folder(const std::wstring& folderTemplate, const std::wstring& installFolder,
                                const std::wstring& sampleFolderName)
{
    if (folderTemplate == L"<InstallPath>")
        return installFolder;
    if (folderTemplate == L"<InstallPath>\\Lang")
        return installFolder + L"\\Lang";
    if (folderTemplate == L"<SamplePath>")
        return std::wstring(kCommonDesktop) + L"\\" + sampleFolderName;
    const std::wstring common = L"<CommonData>\\";
    if (folderTemplate.compare(0, common.size(), common) == 0) {
        std::wstring rest = folderTemplate.substr(common.size());
        // A trailing separator names the folder itself, as "\.".
        if (!rest.empty() && rest.back() == L'\\')
            rest += L'.';
        return L"C:\\ProgramData\\" + rest;
    }
    return L"?unknown template " + folderTemplate;
}

std::string read_bytes(const std::wstring& path)
{
    tw::scoped_handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                       nullptr));
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (file.valid() && ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr) && got)
        bytes.append(chunk, got);
    return bytes;
}

bool write_bytes(const std::wstring& path, const std::string& bytes)
{
    tw::scoped_handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file.valid() && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool make_folder(const std::wstring& path)
{
    int rc = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    return rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS;
}

key_values machine_values(const std::wstring& key, HKEY root)
{
    key_values values;
    tw::scoped_reg_key open;
    if (open.open(root, key.c_str(), KEY_READ) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0;
        BYTE data[4096];
        DWORD size = sizeof(data);
        if (RegEnumValueW(open.get(), i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        std::wstring text;
        if (type == REG_SZ) {
            std::wstring value(reinterpret_cast<const wchar_t*>(data), size / 2);
            bool terminated = !value.empty() && value.back() == L'\0';
            if (terminated)
                value.pop_back();
            text = L"sz:" + value + (terminated ? L"" : L" (no terminating NUL)");
        }
        else if (type == REG_DWORD && size == 4)
            text = L"dword:" + std::to_wstring(*reinterpret_cast<const DWORD*>(data));
        else
            text = L"type " + std::to_wstring(type) + L", " + std::to_wstring(size) + L" bytes";
        values.emplace_back(name, text);
    }
    return values;
}

namespace {

// Reads a link file; false when it cannot be loaded.
bool load_link(const std::wstring& linkFile, wchar_t* target, wchar_t* folder)
{
    tw::scoped_com_initializer com;
    tw::com_ptr<IShellLinkW> link;
    tw::com_ptr<IPersistFile> file;
    return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                      link.receive())) &&
           SUCCEEDED(link.query(file)) && SUCCEEDED(file->Load(linkFile.c_str(), STGM_READ)) &&
           SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0)) &&
           SUCCEEDED(link->GetWorkingDirectory(folder, MAX_PATH));
}

} // namespace

std::wstring link_target(const std::wstring& linkFile)
{
    wchar_t target[MAX_PATH] = {}, folder[MAX_PATH] = {};
    return load_link(linkFile, target, folder) ? target : L"";
}

std::wstring link_working_folder(const std::wstring& linkFile)
{
    wchar_t target[MAX_PATH] = {}, folder[MAX_PATH] = {};
    return load_link(linkFile, target, folder) ? folder : L"";
}

snapshot take_snapshot()
{
    snapshot s;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    PathRemoveBackslashW(temp);
    for (const std::wstring& folder :
         {std::wstring(L"C:\\Program Files"), std::wstring(L"C:\\ProgramData\\Tarnwick"),
          std::wstring(L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu"), std::wstring(kCommonDesktop),
          std::wstring(temp)})
        add_files(folder, s.files);
    for (const wchar_t* key : {kUninstallKey, kCompanyKey})
        add_keys(HKEY_LOCAL_MACHINE, L"HKLM", key, s.keys);
    for (const wchar_t* key : {L".kvn", L"Korvane.Document.6"})
        add_keys(HKEY_CLASSES_ROOT, L"HKCR", key, s.keys);
    return s;
}

snapshot take_wide_snapshot()
{
    snapshot s;
    wchar_t temp[MAX_PATH] = {}, desktop[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    PathRemoveBackslashW(temp);
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop);
    for (const std::wstring& folder : {std::wstring(L"C:\\Program Files"), std::wstring(L"C:\\ProgramData"),
                                       std::wstring(kCommonDesktop), std::wstring(temp)})
        add_files(folder, s.files);
    // Wine maps the user's desktop to a folder of the Unix home, which may be
    // the home itself: its own entries only, not what lies below.
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((std::wstring(desktop) + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do
            s.files[std::wstring(desktop) + L"\\" + found.cFileName] = std::to_string(found.dwFileAttributes);
        while (FindNextFileW(find, &found));
        FindClose(find);
    }
    add_keys(HKEY_LOCAL_MACHINE, L"HKLM", L"Software", s.keys);
    add_keys(HKEY_CLASSES_ROOT, L"HKCR", L"", s.keys);
    return s;
}

std::string describe_difference(const snapshot& before, const snapshot& after)
{
    std::string out;
    for (const auto& [path, content] : before.files) {
        auto it = after.files.find(path);
        if (it == after.files.end())
            out += "gone: " + narrow(path) + "\n";
        else if (it->second != content)
            out += "changed: " + narrow(path) + "\n";
    }
    for (const auto& [path, content] : after.files)
        if (!before.files.count(path))
            out += "new: " + narrow(path) + "\n";
    for (const auto& [key, values] : before.keys) {
        auto it = after.keys.find(key);
        if (it == after.keys.end())
            out += "key gone: " + narrow(key) + "\n";
        else if (it->second != values)
            out += "key changed: " + narrow(key) + "\n";
    }
    for (const auto& [key, values] : after.keys)
        if (!before.keys.count(key))
            out += "new key: " + narrow(key) + "\n";
    return out;
}

bool quick_install(const gui::installer& app, std::chrono::milliseconds timeout)
{
    return app.click(IDOK) && app.wait_for_page(1) && app.click(IDOK) && app.wait_for_page(4) &&
           press_install(app, timeout);
}

running_product::~running_product()
{
    if (process.hProcess) {
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 10000);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

bool running_product::close()
{
    PostMessageW(window, WM_CLOSE, 0, 0);
    return process.hProcess && WaitForSingleObject(process.hProcess, 15000) == WAIT_OBJECT_0;
}

void start_product(const std::wstring& exe, running_product& product)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::wstring command = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &product.process))
        return;
    gui::wait_until([&] { return (product.window = FindWindowW(L"KorvaneMainWindow", nullptr)) != nullptr; });
}

bool press_install(const gui::installer& app, std::chrono::milliseconds timeout)
{
    // The frame disables its buttons for the whole run.
    if (!app.click(IDOK) || !gui::wait_until([&] { return !app.enabled(IDCANCEL); }))
        return false;
    if (!gui::wait_until([&] { return app.enabled(IDCANCEL); }, timeout))
        return false;
    // A completed installation keeps Back disabled on the install page.
    return !app.enabled(IDC_BACK);
}

} // namespace installation
