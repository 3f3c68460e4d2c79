#pragma once
#include <windows.h>

namespace tw {

// Fills `buffer` (261 characters) with the system's Windows folder.
void system_windows_directory(wchar_t* buffer);

} // namespace tw
