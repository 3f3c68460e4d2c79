#include "winhelpers/scoped_current_directory.h"

#include "winhelpers/hresult_error.h"

namespace tw {

HRESULT change_current_directory(const std::wstring& folder, scoped_current_directory& restore)
{
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0)
        return hresult_from_win32_error(GetLastError());
    std::wstring previous(size, L'\0');
    DWORD n = GetCurrentDirectoryW(size, previous.data());
    if (n == 0 || n >= size)
        return hresult_from_win32_error(n ? ERROR_INSUFFICIENT_BUFFER : GetLastError());
    previous.resize(n);
    if (!SetCurrentDirectoryW(folder.c_str()))
        return hresult_from_win32_error(GetLastError());
    restore.reset(std::move(previous));
    return S_OK;
}

} // namespace tw
