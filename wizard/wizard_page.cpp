#include "wizard/wizard_page.h"

#include "app/installer_texts.h"

void CWizardPage::OnOK()
{
    if (HWND frame = GetParent(m_hWnd))
        SendMessageW(frame, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void CWizardPage::OnCancel()
{
    if (HWND frame = GetParent(m_hWnd))
        SendMessageW(frame, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void CWizardPage::MoveControlEdges(int id, int left, int top, int right, int bottom) const
{
    HWND item = GetDlgItem(id);
    if (!item)
        return;
    RECT r;
    GetWindowRect(item, &r);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    MoveWindow(item, r.left + left, r.top + top, r.right + right - (r.left + left), r.bottom + bottom - (r.top + top),
               FALSE);
}

std::wstring PageText(unsigned baseId, std::initializer_list<std::wstring> args)
{
    return FormatText(LoadText(baseId), args);
}
