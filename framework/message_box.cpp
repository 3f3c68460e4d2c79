#include "framework/message_box.h"

#include "framework/win_app.h"

int AfxMessageBox(const std::wstring& text, UINT type, const std::wstring& caption)
{
    HWND owner = AfxGetSafeOwner();
    // The window at the top of the owner's parent and owner chain.
    HWND top = owner;
    for (HWND up = owner; up; up = GetParent(up))
        top = up;
    HWND disabled = nullptr;
    if (top && top != owner && IsWindowEnabled(top)) {
        EnableWindow(top, FALSE);
        disabled = top;
    } else if (top && top == owner) {
        top = nullptr; // the box itself disables its owner
    }
    if (owner && owner != top)
        EnableWindow(owner, TRUE); // so that the focus returns to it afterwards

    std::wstring title = caption;
    if (title.empty() && AfxGetApp())
        title = AfxGetApp()->GetAppName();
    int result = MessageBoxW(owner, text.c_str(), title.c_str(), type);
    if (disabled)
        EnableWindow(disabled, TRUE);
    return result;
}
