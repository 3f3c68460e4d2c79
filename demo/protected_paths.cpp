#include "demo/protected_paths.h"

#include <shlobj.h>

#include <algorithm>
#include <cwctype>

namespace uninstall {

namespace {

// Absolute with a drive letter, "\" as separator, no "." element, no
// trailing "\"; empty when it cannot be put so (relative, UNC, "..").
std::wstring normal_form(std::wstring path)
{
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (path.size() < 3 || !iswalpha(path[0]) || path[1] != L':' || path[2] != L'\\')
        return {};
    std::wstring out = path.substr(0, 2);
    size_t begin = 3;
    while (begin <= path.size()) {
        size_t end = path.find(L'\\', begin);
        if (end == std::wstring::npos)
            end = path.size();
        std::wstring element = path.substr(begin, end - begin);
        if (element == L"..")
            return {};
        if (!element.empty() && element != L".")
            out += L"\\" + element;
        begin = end + 1;
    }
    return out;
}

std::wstring lower(std::wstring s)
{
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(towlower(c));
    return s;
}

std::wstring comparable(const std::wstring& path)
{
    return lower(normal_form(path));
}

} // namespace

protected_paths::protected_paths(std::wstring windowsFolder, std::vector<std::wstring> shellFolders)
    : windows_(comparable(windowsFolder))
{
    for (const std::wstring& folder : shellFolders) {
        std::wstring c = comparable(folder);
        if (!c.empty())
            shell_.push_back(c);
    }
}

protected_paths protected_paths::of_this_machine()
{
    static const int kShellFolders[] = {
        CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86,
        CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_COMMON_APPDATA, CSIDL_APPDATA,
        CSIDL_LOCAL_APPDATA, CSIDL_COMMON_STARTMENU, CSIDL_STARTMENU, CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS,
        CSIDL_COMMON_STARTUP, CSIDL_STARTUP, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY,
        CSIDL_COMMON_DOCUMENTS, CSIDL_PERSONAL, CSIDL_PROFILE, CSIDL_FONTS, CSIDL_COMMON_TEMPLATES,
        CSIDL_TEMPLATES};
    std::vector<std::wstring> shell;
    for (int csidl : kShellFolders) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
            shell.push_back(path);
    }
    wchar_t temp[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, temp))
        shell.push_back(temp);
    wchar_t profiles[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profiles))) {
        std::wstring parent = profiles;
        size_t slash = parent.find_last_of(L'\\');
        if (slash != std::wstring::npos)
            shell.push_back(parent.substr(0, slash)); // the folder of every profile
    }
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return protected_paths(windows, shell);
}

std::wstring protected_paths::deletable(const std::wstring& path) const
{
    std::wstring normal = normal_form(path);
    if (normal.size() <= 2) // not absolute, or a drive root
        return {};
    std::wstring c = lower(normal);
    if (!windows_.empty() && (c == windows_ || c.rfind(windows_ + L"\\", 0) == 0))
        return {};
    if (std::find(shell_.begin(), shell_.end(), c) != shell_.end())
        return {};
    return normal;
}

} // namespace uninstall
