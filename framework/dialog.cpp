#include "framework/dialog.h"

#include "framework/data_exchange.h"
#include "framework/win_app.h"
#include "winhelpers/hresult_error.h"
#include "winhelpers/message_boxes.h"

#include <system_error>

namespace {

// Messages whose dialog-procedure answer is the result itself rather than
// TRUE plus DWLP_MSGRESULT.
bool returns_result_directly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

// The code whose system text best describes an exception that reached a
// window procedure.
uint32_t code_of_current_exception()
{
    try {
        throw;
    } catch (const tw::hresult_error& e) {
        return static_cast<uint32_t>(e.code());
    } catch (const std::bad_alloc&) {
        return static_cast<uint32_t>(E_OUTOFMEMORY);
    } catch (const std::system_error& e) {
        if (e.code().category() == std::system_category())
            return static_cast<uint32_t>(e.code().value());
        return static_cast<uint32_t>(E_UNEXPECTED);
    } catch (...) {
        return static_cast<uint32_t>(E_UNEXPECTED);
    }
}

} // namespace

CDialog::CDialog(UINT templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog()
{
    if (m_hWnd && !m_modal)
        DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal()
{
    m_modal = true;
    INT_PTR result = DialogBoxParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_templateId), m_parent, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    m_modal = false;
    m_hWnd = nullptr;
    return result;
}

BOOL CDialog::Create(UINT templateId, HWND parent)
{
    m_templateId = templateId;
    m_parent = parent;
    m_modal = false;
    HWND wnd = CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(templateId), parent, DialogProc,
                                  reinterpret_cast<LPARAM>(this));
    return wnd != nullptr;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CDataExchangeFailure&) {
        return FALSE;
    }
    return TRUE;
}

void CDialog::EndDialog(INT_PTR result)
{
    if (m_modal)
        ::EndDialog(m_hWnd, result);
    else
        DestroyWindow(m_hWnd);
}

void CDialog::SetDlgItemText(int id, const std::wstring& text) const
{
    ::SetDlgItemTextW(m_hWnd, id, text.c_str());
}

std::wstring CDialog::GetDlgItemText(int id) const
{
    HWND item = GetDlgItem(id);
    int n = item ? GetWindowTextLengthW(item) : 0;
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = item ? GetWindowTextW(item, text.data(), n + 1) : 0;
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

BOOL CDialog::EnableDlgItem(int id, BOOL enable) const
{
    HWND item = GetDlgItem(id);
    return item ? EnableWindow(item, enable) : FALSE;
}

HFONT CDialog::GetFont() const
{
    return reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
}

BOOL CDialog::OnInitDialog()
{
    // The controls are loaded from the members before the dialog is shown.
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

bool CDialog::OnNotify(const NMHDR&, LRESULT&)
{
    return false;
}

void CDialog::OnCommandFrom(int id, WORD code, std::function<void()> handler)
{
    m_commands.push_back({id, code, std::move(handler)});
}

LRESULT CDialog::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    // DefDlgProc calls our dialog procedure first; it must decline this once.
    bool outer = m_inDefault;
    m_inDefault = true;
    LRESULT result = DefDlgProcW(m_hWnd, message, wParam, lParam);
    m_inDefault = outer;
    return result;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(wnd, DWLP_USER, lParam);
        self->m_hWnd = wnd;
    } else {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(wnd, DWLP_USER));
    }
    if (!self)
        return FALSE;
    if (self->m_inDefault) {
        self->m_inDefault = false;
        return FALSE;
    }
    // An exception must not unwind through the system's frames, which would
    // end the process: it is reported, and the dialog goes on.
    INT_PTR answer = FALSE;
    try {
        answer = self->Dispatch(message, wParam, lParam);
    } catch (...) {
        tw::show_error_box(wnd, code_of_current_exception());
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(wnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    return answer;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (OnMessage(message, wParam, lParam, result)) {
        if (returns_result_directly(message))
            return static_cast<INT_PTR>(result);
        SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return DispatchCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_NOTIFY:
        if (lParam && OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) {
            SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

bool CDialog::DispatchCommand(WORD id, WORD code)
{
    for (const CommandHandler& h : m_commands) {
        if (h.id == id && h.code == code) {
            h.run();
            return true;
        }
    }
    // Enter and Escape arrive as IDOK and IDCANCEL with code 0 (BN_CLICKED).
    if (id == IDOK && code == BN_CLICKED) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL && code == BN_CLICKED) {
        OnCancel();
        return true;
    }
    return false;
}
