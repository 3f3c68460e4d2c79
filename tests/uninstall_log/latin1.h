#pragma once
// The 8-bit decoder the native log tests give the reader: Latin-1, one
// character per byte, where Windows would use the ANSI code page.
#include <cstddef>
#include <string>

inline std::wstring latin1_widen(const char* bytes, size_t size)
{
    std::wstring out;
    for (size_t i = 0; i < size; ++i)
        out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i])));
    return out;
}
