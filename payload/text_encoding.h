#pragma once
// Conversions between the archive's UTF-16, the program's wide strings and
// native file names. On Windows wide strings are UTF-16 already; natively
// they hold code points, and file names are UTF-8 bytes.
#include <boost/filesystem/path.hpp>
#include <string>

namespace tw {

std::u16string to_utf16(const std::wstring& text);
std::wstring from_utf16(const std::u16string& text);
// UTF-16 code units `text` occupies in the archive.
std::size_t utf16_length(const std::wstring& text);

// Strict: throws std::invalid_argument on bytes that are not UTF-8.
std::wstring from_utf8(const std::string& text);
// Lone surrogates are kept (as their three-byte forms) rather than lost.
std::string to_utf8(const std::wstring& text);

// A Windows-form path ("a\b") as a path of this system: natively the
// backslashes become slashes.
boost::filesystem::path native_path(const std::wstring& windows_path);

} // namespace tw
