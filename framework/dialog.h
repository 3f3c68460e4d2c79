#pragma once
// CDialog: a dialog window built from a template in the executable, either
// modal (DoModal) or a modeless child (Create). Messages reach the object
// through virtual handlers and a small table of command handlers.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

class CDataExchange;

class CDialog {
public:
    explicit CDialog(UINT templateId = 0, HWND parent = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Modal run from the constructor's template; the EndDialog result, or -1
    // when the window could not be created.
    INT_PTR DoModal();
    // Modeless window from a child template; false when it cannot be created.
    BOOL Create(UINT templateId, HWND parent);

    // Moves data between the controls and the members: TRUE stores and
    // validates (false when a check refused), FALSE loads.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    void EndDialog(INT_PTR result);
    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void SetDlgItemText(int id, const std::wstring& text) const;
    std::wstring GetDlgItemText(int id) const;
    BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
    BOOL EnableDlgItem(int id, BOOL enable) const;
    // The window's text font (WM_GETFONT).
    HFONT GetFont() const;

    HWND m_hWnd = nullptr;

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);

    // Every message before the dialog procedure's own handling: return true
    // and set `result` to handle it.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // WM_NOTIFY from a control; true when handled.
    virtual bool OnNotify(const NMHDR& header, LRESULT& result);

    // Command dispatch: `handler` runs for WM_COMMAND from control `id` with
    // notification `code` (BN_CLICKED, CBN_SELCHANGE ...).
    void OnCommandFrom(int id, WORD code, std::function<void()> handler);

    // The default processing of a message by the dialog's window procedure
    // chain (DefDlgProc for our own dialogs).
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    HWND m_parent;

private:
    struct CommandHandler {
        int id;
        WORD code;
        std::function<void()> run;
    };

    static INT_PTR CALLBACK DialogProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    bool DispatchCommand(WORD id, WORD code);

    std::vector<CommandHandler> m_commands;
    bool m_modal = false;
    bool m_inDefault = false;
};
