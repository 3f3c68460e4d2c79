#pragma once
// The path rules of the folder browser that need no dialog: fixed-buffer
// copies, the subfolder appended to a selection, and the results handed back.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace tw {

// Copies `source` into a MAX_PATH buffer: at most MAX_PATH - 1 characters,
// always terminated. STRSAFE_E_INSUFFICIENT_BUFFER (0x8007007A) when the
// source is longer (the buffer then holds the cut copy), else S_OK.
HRESULT copy_to_path_buffer(wchar_t (&buffer)[MAX_PATH], std::wstring_view source);

// True when every character is a valid path character and not a wildcard.
bool is_valid_path_text(const std::wstring& text);

// How many trailing components of `path` are the components of `subfolder`
// (case-insensitive, trailing backslashes ignored): the number of components
// of `subfolder` when all of them match and `path` has more components; else 0.
size_t subfolder_depth(const std::wstring& path, const std::wstring& subfolder);

// `path` with `subfolder` appended, without repeating the leading part of
// `subfolder` that `path` already ends with; `path` unchanged when it already
// ends with the whole subfolder, when `subfolder` is empty, or when a copy or
// the append does not fit.
std::wstring append_subfolder(const std::wstring& path, const std::wstring& subfolder);

// `path` without the trailing components that are `subfolder` (see
// subfolder_depth); `path` itself when it does not end with it.
std::wstring folder_without_subfolder(const std::wstring& path, const std::wstring& subfolder);

// `path` relative to `folder` (PathRelativePathToW, both as directories);
// nullopt when the relation cannot be formed (another drive, too long).
std::optional<std::wstring> relative_path(const std::wstring& folder, const std::wstring& path);
// PathCanonicalizeW of `path` (a leading ".\" goes); nullopt on failure.
std::optional<std::wstring> canonical_path(const std::wstring& path);

// What the Start-menu browser reports for `path` below the folder `parent`:
// empty for the folder itself, else the canonical relative path; `path`
// itself when `parent` is empty or the relation cannot be formed.
std::wstring relative_folder_text(const std::wstring& parent, const std::wstring& path);

} // namespace tw
