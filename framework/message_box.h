#pragma once
// The framework's message box: owned by the application's safe owner, modal to
// the application, captioned with the application name.
#include <windows.h>
#include <string>

// Runs MessageBoxW owned by AfxGetSafeOwner(); the owner's top-level window is
// disabled while the box is up. An empty caption means the application name.
int AfxMessageBox(const std::wstring& text, UINT type, const std::wstring& caption = {});
