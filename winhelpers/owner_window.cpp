#include "winhelpers/owner_window.h"

namespace tw {
namespace {

BOOL CALLBACK find_captioned_root(HWND wnd, LPARAM found)
{
    HWND root = GetAncestor(wnd, GA_ROOTOWNER);
    if (root && (GetWindowLongW(root, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) {
        *reinterpret_cast<HWND*>(found) = root;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND owner_window()
{
    HWND wnd = GetActiveWindow();
    if (wnd)
        wnd = GetAncestor(wnd, GA_ROOTOWNER);
    else
        EnumThreadWindows(GetCurrentThreadId(), find_captioned_root, reinterpret_cast<LPARAM>(&wnd));
    return wnd ? GetLastActivePopup(wnd) : nullptr;
}

} // namespace tw
