#include "framework/strings.h"

#include "framework/win_app.h"

std::wstring AfxLoadString(UINT id, HINSTANCE module)
{
    if (!module)
        module = AfxGetInstanceHandle();
    const wchar_t* text = nullptr;
    // A length of 0 asks for a read-only pointer into the resource itself.
    int n = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    return n > 0 && text ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}
