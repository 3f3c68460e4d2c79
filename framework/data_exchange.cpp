#include "framework/data_exchange.h"

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/message_box.h"

HWND CDataExchange::PrepareCtrl(int id)
{
    m_lastControl = m_pDlgWnd->GetDlgItem(id);
    m_lastIsEdit = false;
    return m_lastControl;
}

HWND CDataExchange::PrepareEditCtrl(int id)
{
    HWND wnd = PrepareCtrl(id);
    m_lastIsEdit = true;
    return wnd;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_lastControl) {
        SetFocus(m_lastControl);
        if (m_lastIsEdit)
            SendMessageW(m_lastControl, EM_SETSEL, 0, -1);
    }
    throw CDataExchangeFailure{};
}

std::wstring MaxCharsMessage(int count)
{
    std::wstring text = L"Enter no more than %1 characters.";
    text.replace(text.find(L"%1"), 2, std::to_wstring(count));
    return text;
}

void DDX_Text(CDataExchange* pDX, int id, std::wstring& value)
{
    HWND wnd = pDX->PrepareEditCtrl(id);
    if (pDX->m_bSaveAndValidate) {
        int n = wnd ? GetWindowTextLengthW(wnd) : 0;
        std::wstring text(static_cast<size_t>(n) + 1, L'\0');
        n = wnd ? GetWindowTextW(wnd, text.data(), n + 1) : 0;
        text.resize(static_cast<size_t>(n > 0 ? n : 0));
        value = text;
    } else if (wnd) {
        SetWindowTextW(wnd, value.c_str());
    }
}

void DDV_MaxChars(CDataExchange* pDX, const std::wstring& value, int count)
{
    if (pDX->m_bSaveAndValidate) {
        if (value.size() > static_cast<size_t>(count)) {
            AfxMessageBox(MaxCharsMessage(count), MB_ICONEXCLAMATION);
            pDX->Fail();
        }
    } else if (pDX->m_lastControl && pDX->m_lastIsEdit) {
        SendMessageW(pDX->m_lastControl, EM_LIMITTEXT, static_cast<WPARAM>(count), 0);
    }
}

void DDX_Radio(CDataExchange* pDX, int firstId, int& value)
{
    HWND wnd = pDX->PrepareCtrl(firstId);
    if (!wnd)
        return;
    if (pDX->m_bSaveAndValidate)
        value = -1;
    // The group runs from the first button to the next control that starts a group.
    int index = 0;
    HWND dialog = pDX->m_pDlgWnd->m_hWnd;
    HWND button = wnd;
    do {
        if (SendMessageW(button, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
            if (pDX->m_bSaveAndValidate) {
                if (SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED && value == -1)
                    value = index;
            } else {
                SendMessageW(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        button = GetWindow(button, GW_HWNDNEXT);
    } while (button && GetParent(button) == dialog && !(GetWindowLongW(button, GWL_STYLE) & WS_GROUP));
}

void DDX_Check(CDataExchange* pDX, int id, int& value)
{
    HWND wnd = pDX->PrepareCtrl(id);
    if (!wnd)
        return;
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(SendMessageW(wnd, BM_GETCHECK, 0, 0));
    else
        SendMessageW(wnd, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Control(CDataExchange* pDX, int id, CWndControl& control)
{
    if (!control.GetSafeHwnd())
        control.Attach(pDX->PrepareCtrl(id));
}
