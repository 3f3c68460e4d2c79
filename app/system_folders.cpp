#include "app/system_folders.h"

namespace tw {

void system_windows_directory(wchar_t* buffer)
{
    using fn = UINT(WINAPI*)(LPWSTR, UINT);
    HMODULE kernel = GetModuleHandleW(L"Kernel32");
    auto get = kernel ? reinterpret_cast<fn>(reinterpret_cast<void*>(
                            GetProcAddress(kernel, "GetSystemWindowsDirectoryW")))
                      : nullptr;
    if (get)
        get(buffer, 261);
    else
        GetWindowsDirectoryW(buffer, 261);
}

} // namespace tw
