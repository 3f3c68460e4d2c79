#include "win_app.h"

#include <commctrl.h>

namespace {
CWinApp* g_app = nullptr;

std::wstring module_base_name(HINSTANCE module)
{
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring name(path, n < MAX_PATH ? n : 0);
    size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0)
        name.erase(dot);
    return name;
}
} // namespace

CWinApp::CWinApp() : m_hInstance(GetModuleHandleW(nullptr)), m_appName(module_base_name(m_hInstance))
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance()
{
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_USEREX_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    return TRUE;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg)
{
    return m_mainWnd && IsWindow(m_mainWnd) && IsDialogMessageW(m_mainWnd, msg);
}

CWinApp* AfxGetApp()
{
    return g_app;
}

HINSTANCE AfxGetInstanceHandle()
{
    return g_app ? g_app->m_hInstance : GetModuleHandleW(nullptr);
}

HWND AfxGetSafeOwner(HWND parent)
{
    HWND wnd = parent;
    if (!wnd && g_app)
        wnd = g_app->GetMainWnd();
    if (!wnd)
        return nullptr;
    while (wnd && (GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD))
        wnd = GetParent(wnd);
    return wnd ? GetLastActivePopup(wnd) : nullptr;
}
