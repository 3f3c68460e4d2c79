#pragma once
// String loading from the executable's string tables.
#include <windows.h>
#include <string>

// String resource `id` of `module` (the application's by default); empty when
// there is none.
std::wstring AfxLoadString(UINT id, HINSTANCE module = nullptr);
