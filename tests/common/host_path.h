#pragma once
// Test programs get build-tree paths from ctest as Unix paths; under Wine the
// Unix root is drive Z:.
#include <string>

inline std::wstring host_path_to_windows(const std::string& unix_path)
{
    std::wstring out = L"Z:";
    for (unsigned char c : unix_path)
        out += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return out;
}
