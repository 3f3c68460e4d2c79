#pragma once
#include <string>

// The fixture program `name`.exe, as a Windows path.
std::wstring fixture_program(const wchar_t* name);
// The built installer, as a Windows path; empty when not given.
std::wstring built_installer();
