#pragma once
// Loading system DLLs by full path, so that a DLL planted beside the installer
// (often run elevated from a Downloads folder) is never picked up.
#include <windows.h>
#include <string>

namespace tw {

// Loads `name` from the system directory; an absolute path is loaded as given.
// Falls back to the normal search only when the system directory is unknown or
// the load from it fails. Returns null on failure.
HMODULE load_system_library(const std::wstring& name);

// Restricts the DLL search of this process to the system directory and takes
// the current directory out of it. Runs before any other static initialiser.
void restrict_dll_search();

} // namespace tw
