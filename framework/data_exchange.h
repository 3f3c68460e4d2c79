#pragma once
// Dialog data exchange: the helpers a DoDataExchange calls to move values
// between controls and members, in the direction the exchange was made for.
#include <windows.h>
#include <string>

class CDialog;
class CWndControl;

class CDataExchange {
public:
    CDataExchange(CDialog* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    // The control's window; remembered as the one a failing check names.
    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);
    // A check refused the data: focus the control last prepared and stop the
    // exchange (UpdateData answers false).
    [[noreturn]] void Fail();

    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
    HWND m_lastControl = nullptr;
    bool m_lastIsEdit = false;
};

// Thrown by CDataExchange::Fail and caught by UpdateData.
struct CDataExchangeFailure {};

// The text limit the framework allows for a path-sized text.
constexpr int kMaxTextChars = 260;

void DDX_Text(CDataExchange* pDX, int id, std::wstring& value);
// Saving: longer than `count` characters is refused with the framework's
// message; loading: limits the last exchanged edit control to `count`.
void DDV_MaxChars(CDataExchange* pDX, const std::wstring& value, int count);
// Radio group starting at `firstId` (up to the next WS_GROUP): the index of the
// checked button, -1 when none is checked.
void DDX_Radio(CDataExchange* pDX, int firstId, int& value);
// Check box: BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
void DDX_Check(CDataExchange* pDX, int id, int& value);
// Attaches `control` to the dialog's control `id` the first time.
void DDX_Control(CDataExchange* pDX, int id, CWndControl& control);

// "Enter no more than %1 characters." with `count` inserted.
std::wstring MaxCharsMessage(int count);
