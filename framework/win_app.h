#pragma once
// The application object of our small dialog framework: one global instance,
// whose InitInstance is the whole program (there is no message loop of ours).
#include <windows.h>
#include <string>

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Framework initialisation (common controls). Derived classes call it first.
    virtual BOOL InitInstance();

    // The caption of every framework message box. Until a program sets it, the
    // executable's file name without extension.
    const std::wstring& GetAppName() const { return m_appName; }
    void SetAppName(const std::wstring& name) { m_appName = name; }

    // A message about to be dispatched by a message pump of the program:
    // true when it was handled here (the main window's dialog keys).
    virtual BOOL PreTranslateMessage(MSG* msg);

    HWND GetMainWnd() const { return m_mainWnd; }
    void SetMainWnd(HWND wnd) { m_mainWnd = wnd; }

    HINSTANCE m_hInstance;

private:
    std::wstring m_appName;
    HWND m_mainWnd = nullptr;
};

// The one application object, or null before it is constructed.
CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();

// The window that framework boxes are owned by: the main window, or its first
// non-child ancestor, then that window's last active popup; null without one.
HWND AfxGetSafeOwner(HWND parent = nullptr);
