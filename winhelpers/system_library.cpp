#include "winhelpers/system_library.h"

#include <vector>

namespace tw {
namespace {

std::wstring with_backslashes(std::wstring path)
{
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

bool is_absolute(const std::wstring& p)
{
    // Drive root ("C:\") or UNC root ("\\server\"): both a root name and a root directory.
    bool drive = p.size() >= 3 && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/');
    bool unc = p.size() >= 3 && (p[0] == L'\\' || p[0] == L'/') && (p[1] == L'\\' || p[1] == L'/') &&
               p[2] != L'\\' && p[2] != L'/';
    return drive || unc;
}

// The program's activation context (its manifest) maps `name` to a
// side-by-side assembly.
bool redirected_by_manifest(const std::wstring& name)
{
    ACTCTX_SECTION_KEYED_DATA data = {};
    data.cbSize = sizeof(data);
    return FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, name.c_str(), &data) !=
           FALSE;
}

} // namespace

HMODULE load_system_library(const std::wstring& name)
{
    if (is_absolute(name))
        return LoadLibraryW(with_backslashes(name).c_str());
    // A full path would bypass the redirection and give the system folder's
    // older copy (common controls 5 instead of the manifest's 6).
    if (redirected_by_manifest(name))
        return LoadLibraryW(name.c_str());

    UINT needed = GetSystemDirectoryW(nullptr, 0);
    if (needed > 0) {
        std::vector<wchar_t> dir(needed + 1);
        UINT got = GetSystemDirectoryW(dir.data(), static_cast<UINT>(dir.size()));
        if (got > 0 && got < dir.size()) {
            std::wstring path(dir.data(), got);
            if (path.back() != L'\\')
                path += L'\\';
            path += name;
            // A DLL missing from the system folder is not searched for
            // elsewhere: where the search is not restricted, the program's
            // own folder would come first.
            return LoadLibraryW(with_backslashes(path).c_str());
        }
    }
    return LoadLibraryW(name.c_str());
}

void restrict_dll_search()
{
    // SetDefaultDllDirectories exists from Windows 8 (and 7 with KB2533623).
    using set_default_fn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto set_default = kernel ? reinterpret_cast<set_default_fn>(
                                    reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                              : nullptr;
    if (set_default)
        set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Removes the current directory from the search on every system.
    SetDllDirectoryW(L"");
}

FARPROC WINAPI bind_delay_loaded_dll(unsigned notification, PDelayLoadInfo info)
{
    if (notification != dliNotePreLoadLibrary || !info || !info->szDll)
        return nullptr;
    std::wstring name;
    for (const char* c = info->szDll; *c; ++c)
        name += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return reinterpret_cast<FARPROC>(load_system_library(name));
}

} // namespace tw
