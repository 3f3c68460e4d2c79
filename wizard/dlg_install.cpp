#include "wizard/dlg_install.h"

#include "app/install_app.h"
#include "app/installer_texts.h"
#include "app/product.h"
#include "engine/install_sequence.h"
#include "framework/data_exchange.h"
#include "resources/dialog_ids.h"

#include <shlwapi.h>

BOOL CDlgInstall::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    m_progress.SetRange32(0, 100);
    // The run writes a line per file: with a large payload the edit
    // control's default limit would silently drop the end of the log.
    SendMessageW(m_log.GetSafeHwnd(), EM_SETLIMITTEXT, 0, 0);
    ::ShowWindow(m_progress.GetSafeHwnd(), SW_HIDE);
    return TRUE;
}

void CDlgInstall::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_LOG, m_log);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    if (!pDX->m_bSaveAndValidate && !m_app.m_installCompleted)
        ShowSummary();
}

bool CDlgInstall::Install()
{
    CInstallSequence sequence(m_app, *this, mainProgramPath, uninstallerPath);
    return sequence.Run();
}

void CDlgInstall::SetStatus(const std::wstring& text)
{
    SetDlgItemText(IDC_STATUS, text);
}

void CDlgInstall::SetStatusPath(const std::wstring& text)
{
    PathSetDlgItemPathW(m_hWnd, IDC_STATUS, text.c_str());
}

void CDlgInstall::ShowProgress(bool show)
{
    ::ShowWindow(m_progress.GetSafeHwnd(), show ? SW_SHOW : SW_HIDE);
}

void CDlgInstall::SetProgress(int position)
{
    m_progress.SetPos(position);
}

void CDlgInstall::ShowSummary()
{
    const CInstallApp& app = m_app;
    m_log.Clear();
    AppendLine(PageText(IDS_INFO_INSTALL, {ProductNameWithVersion()}) + L"\r\n", false);
    AppendLine(LoadText(IDS_SUMMARY_HEADING), true);
    wchar_t folder[MAX_PATH] = {};
    lstrcpynW(folder, app.m_installPath.c_str(), MAX_PATH);
    PathQuoteSpacesW(folder);
    AppendLine(PageText(IDS_SUMMARY_FOLDER, {folder}) + L"\r\n", false);
    if (app.m_startMenuShortcut) {
        wchar_t menu[MAX_PATH] = {};
        lstrcpynW(menu, app.m_shortcutFolder.c_str(), MAX_PATH);
        PathQuoteSpacesW(menu);
        AppendLine(PageText(IDS_SUMMARY_MENU_SHORTCUT, {menu}) + L"\r\n", false);
    }
    if (app.m_desktopShortcut)
        AppendLine(LoadText(IDS_SUMMARY_DESKTOP_SHORTCUT) + L"\r\n", false);
    while (m_log.GetFirstVisibleLine() != 0) {
        int before = m_log.GetFirstVisibleLine();
        m_log.LineScroll(-1);
        if (m_log.GetFirstVisibleLine() >= before)
            break; // the box refuses to scroll: do not spin
    }
}

void CDlgInstall::AppendLine(const std::wstring& line, bool heading)
{
    std::wstring text = line;
    if (heading || text.empty()) {
        RECT client = {};
        GetClientRect(m_log.GetSafeHwnd(), &client);
        DWORD margins = m_log.GetMargins();
        int available = static_cast<int>(client.right - client.left) - 2 - LOWORD(margins) - HIWORD(margins);
        HDC dc = GetDC(m_log.GetSafeHwnd());
        HGDIOBJ oldFont = SelectObject(dc, GetFont());
        SIZE size = {};
        if (!text.empty()) {
            text = L" " + text + L" ";
            GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
            available -= size.cx;
        }
        GetTextExtentPoint32W(dc, L"-", 1, &size);
        SelectObject(dc, oldFont);
        ReleaseDC(m_log.GetSafeHwnd(), dc);
        int n = size.cx > 0 ? available / size.cx : 0;
        if (text.empty()) {
            text.assign(static_cast<size_t>(n > 0 ? n : 0), L'-');
        } else {
            int before = n / 2, after = (n + 1) / 2;
            text = std::wstring(static_cast<size_t>(before > 0 ? before : 0), L'-') + text +
                   std::wstring(static_cast<size_t>(after > 0 ? after : 0), L'-');
        }
        text += L"\r\n";
    }
    m_log.SetSel(0x7FFFFFFF, -1);
    m_log.ScrollCaret();
    m_log.ReplaceSel(text, FALSE);
    m_log.LineScroll(1);
}

void CDlgInstall::RefreshTexts()
{
    SetDlgItemText(IDC_STATUS, PageText(IDS_STATUS_START_INSTALL, {LoadText(IDS_INSTALL_BUTTON)}));
}

void CDlgInstall::StretchControls(int dx, int dy)
{
    Grow(IDC_LOG, dx, dy);
    WidenAndShiftDown(IDC_PROGRESS, dx, dy);
    WidenAndShiftDown(IDC_STATUS, dx, dy);
}

// End page

void CDlgEnd::DoDataExchange(CDataExchange* pDX)
{
    if (!pDX->m_bSaveAndValidate && m_app.m_installCompleted)
        SetDlgItemText(IDC_INFO, LoadText(IDS_INSTALL_COMPLETE));
}

void CDlgEnd::RefreshTexts()
{
    SetDlgItemText(IDC_INFO, L"");
    SetDlgItemText(IDC_STATUS, PageText(IDS_STATUS_EXIT, {LoadText(IDS_EXIT_BUTTON)}));
}

void CDlgEnd::StretchControls(int dx, int dy)
{
    Grow(IDC_INFO, dx, dy);
    WidenAndShiftDown(IDC_STATUS, dx, dy);
}
