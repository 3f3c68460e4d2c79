#pragma once
// Loading system DLLs by full path, so that a DLL planted beside the installer
// (often run elevated from a Downloads folder) is never picked up.
#include <windows.h>

#include <delayimp.h>
#include <string>

namespace tw {

// Loads `name` from the system directory; an absolute path is loaded as given.
// A name that the program's manifest redirects to a side-by-side assembly (the
// common controls version 6) is loaded by name, which takes the assembly's
// copy from the system's side-by-side store. Falls back to the normal search
// only when the system directory is unknown; a DLL that the system folder
// does not hold gives null, like every other failure.
HMODULE load_system_library(const std::wstring& name);

// Restricts the DLL search of this process to the system directory and takes
// the current directory out of it. Runs before any other static initialiser.
void restrict_dll_search();

// Notification hook of the delay-load helper (the program installs it as
// __pfnDliNotifyHook2): every delay-loaded DLL is loaded through
// load_system_library. Answers null for the other notifications, and when the
// load fails, which leaves the helper to its own load and failure report.
FARPROC WINAPI bind_delay_loaded_dll(unsigned notification, PDelayLoadInfo info);

} // namespace tw
