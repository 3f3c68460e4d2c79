#pragma once
// A changed current directory of the process, changed back when the owner goes
// out of scope.
#include "winhelpers/scoped_resource.h"

#include <windows.h>

#include <string>

namespace tw {

// Holds the directory to go back to; empty when nothing was changed.
struct current_directory_traits {
    using value_type = std::wstring;
    static value_type empty() { return {}; }
    static bool is_empty(const value_type& folder) { return folder.empty(); }
    static void release(const value_type& folder) noexcept { SetCurrentDirectoryW(folder.c_str()); }
};
using scoped_current_directory = scoped_resource<current_directory_traits>;

// Remembers the current directory in `restore` and makes `folder` current. On
// failure nothing is changed and the result is the HRESULT of the last error.
HRESULT change_current_directory(const std::wstring& folder, scoped_current_directory& restore);

} // namespace tw
