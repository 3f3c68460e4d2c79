#include "wizard/install_dlg.h"

#include "app/install_app.h"
#include "app/installer_texts.h"
#include "app/language.h"
#include "app/product.h"
#include "framework/message_box.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"
#include "wizard/about_dlg.h"

#include <algorithm>

namespace {

const UINT kPageTemplates[CInstallDlg::PageCount] = {IDD_PAGE_START,   IDD_PAGE_MODE,    IDD_PAGE_PATH,
                                                     IDD_PAGE_SHORTCUT, IDD_PAGE_INSTALL, IDD_PAGE_END};

RECT ChildRect(HWND parent, HWND child)
{
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

void MoveBy(HWND parent, HWND child, int left, int top, int right, int bottom)
{
    RECT r = ChildRect(parent, child);
    MoveWindow(child, r.left + left, r.top + top, Width(r) + right - left, Height(r) + bottom - top, FALSE);
}

} // namespace

CInstallDlg::CInstallDlg(CInstallApp& app)
    : CDialog(IDD_INSTALL_FRAME),
      m_app(app),
      m_start(app),
      m_mode(app),
      m_path(app),
      m_shortcut(app),
      m_install(app),
      m_end(app),
      m_pages{&m_start, &m_mode, &m_path, &m_shortcut, &m_install, &m_end},
      m_hIcon(LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME)))
{
    OnCommandFrom(IDC_BACK, BN_CLICKED, [this] { OnBack(); });
}

std::wstring CInstallDlg::AboutEntryText()
{
    std::wstring text = FormatText(LoadText(IDS_ABOUT_ENTRY), {InstallerTitle(false)});
    if (text.empty())
        return text;
    return tw::is_left_to_right() ? L"&" + text + L"..." : L"..." + text;
}

BOOL CInstallDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_app.SetMainWnd(m_hWnd);
    SetWindowTextW(m_hWnd, InstallerTitle(true).c_str());

    HMENU menu = GetSystemMenu(m_hWnd, FALSE);
    std::wstring about = AboutEntryText();
    if (menu) {
        if (!about.empty()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
        }
        DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
        DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    }
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));

    for (int i = 0; i < PageCount; ++i)
        m_pages[i]->Create(kPageTemplates[i], m_hWnd);
    LayOutPages();

    RefreshTexts();
    ShowPage(StartPage);
    if (m_app.m_installState == NewerInstalled)
        EnableDlgItem(IDOK, FALSE);
    return TRUE;
}

void CInstallDlg::LayOutPages()
{
    HWND panel = GetDlgItem(IDC_SIDE_PANEL);
    HWND separator = GetDlgItem(IDC_SEPARATOR);
    RECT area = {};
    GetClientRect(m_hWnd, &area);
    if (panel)
        area.left = ChildRect(m_hWnd, panel).right;
    if (separator)
        area.bottom = ChildRect(m_hWnd, separator).top;

    RECT all = area;
    for (CWizardPage* page : m_pages) {
        SetWindowPos(page->m_hWnd, nullptr, area.left, area.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
        RECT r = ChildRect(m_hWnd, page->m_hWnd);
        UnionRect(&all, &all, &r);
    }
    int dx = std::max(0, Width(all) - Width(area));
    int dy = std::max(0, Height(all) - Height(area));

    RECT frame = {};
    GetWindowRect(m_hWnd, &frame);
    SetWindowPos(m_hWnd, nullptr, 0, 0, Width(frame) + dx, Height(frame) + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);

    for (CWizardPage* page : m_pages) {
        RECT r = ChildRect(m_hWnd, page->m_hWnd);
        MoveWindow(page->m_hWnd, all.left, all.top, Width(all), Height(all), FALSE);
        page->StretchControls(Width(all) - Width(r), Height(all) - Height(r));
    }
    if (panel)
        MoveBy(m_hWnd, panel, 0, 0, 0, dy);
    if (separator)
        MoveBy(m_hWnd, separator, 0, dy, dx, dy);
    for (int id : {IDC_BACK, IDOK, IDCANCEL})
        if (HWND button = GetDlgItem(id))
            MoveBy(m_hWnd, button, dx, dy, dx, dy);

    // A wizard opens in the middle of the work area.
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(m_hWnd, &frame);
    SetWindowPos(m_hWnd, nullptr, work.left + (Width(work) - Width(frame)) / 2,
                 work.top + (Height(work) - Height(frame)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CInstallDlg::UpdateButtons()
{
    if (m_currentPage == InstallPage && !m_app.m_installCompleted)
        SetDlgItemText(IDOK, LoadText(IDS_INSTALL_BUTTON));
    else
        SetDlgItemText(IDOK, LoadText(IDS_NEXT_BUTTON) + L"  >");
    SetDlgItemText(IDC_BACK, L"<  " + LoadText(IDS_BACK_BUTTON));
    SetDlgItemText(IDCANCEL, LoadText(m_app.m_installCompleted ? IDS_EXIT_BUTTON : IDS_CANCEL_BUTTON));
}

void CInstallDlg::ShowPage(int index)
{
    if (index < 0 || index >= PageCount)
        return;
    if (m_currentPage != -1) {
        if (!m_pages[m_currentPage]->UpdateData(TRUE))
            return;
        m_pages[m_currentPage]->ShowWindow(SW_HIDE);
    }
    // The folder and shortcut pages exist only in the advanced mode; the mode
    // stored just above already counts.
    int target = index;
    if (!m_app.m_advancedMode && index != m_currentPage) {
        int step = index - m_currentPage > 0 ? 1 : -1;
        while (target == PathPage || target == ShortcutPage)
            target += step;
    }
    if (target != m_currentPage)
        m_pages[target]->UpdateData(FALSE);
    m_currentPage = target;
    m_pages[target]->ShowWindow(SW_SHOW);
    UpdateButtons();

    bool back = (m_currentPage >= 1 && !m_app.m_installCompleted) || m_currentPage >= EndPage;
    bool next = m_currentPage <= InstallPage;
    EnableDlgItem(IDC_BACK, back);
    EnableDlgItem(IDOK, next);
    int focus = next ? IDOK : IDCANCEL;
    SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(focus)), TRUE);
    SendMessageW(m_hWnd, DM_SETDEFID, static_cast<WPARAM>(focus), 0);
}

void CInstallDlg::OnBack()
{
    ShowPage(m_currentPage - 1);
}

void CInstallDlg::OnOK()
{
    if (m_currentPage == InstallPage && !m_app.m_installCompleted) {
        EnableDlgItem(IDC_BACK, FALSE);
        EnableDlgItem(IDOK, FALSE);
        EnableDlgItem(IDCANCEL, FALSE);
        m_app.m_installCompleted = m_install.Install();
        ShowPage(InstallPage);
        EnableDlgItem(IDCANCEL, TRUE);
    } else {
        ShowPage(m_currentPage + 1);
    }
}

void CInstallDlg::OnCancel()
{
    bool ask = !m_app.m_installCompleted && m_app.m_installState != NewerInstalled &&
               !(m_app.m_installState == SameVersion && m_currentPage == StartPage);
    if (ask && AfxMessageBox(LoadText(IDS_CONFIRM_EXIT), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    EndDialog(m_app.m_installCompleted ? IDOK : IDCANCEL);
}

void CInstallDlg::RefreshTexts()
{
    SetWindowTextW(m_hWnd, InstallerTitle(true).c_str());
    if (HMENU menu = GetSystemMenu(m_hWnd, FALSE)) {
        std::wstring about = AboutEntryText();
        ModifyMenuW(menu, IDM_ABOUTBOX, MF_BYCOMMAND | MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
    UpdateButtons();
    for (CWizardPage* page : m_pages)
        page->RefreshTexts();
}

void CInstallDlg::PaintMinimised()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    int x = (Width(client) - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (Height(client) - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(m_hWnd, &ps);
}

void CInstallDlg::OnGetMinMaxInfo(MINMAXINFO* info)
{
    // Maximising must not change the window.
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    if (GetWindowPlacement(m_hWnd, &placement)) {
        const RECT& normal = placement.rcNormalPosition;
        info->ptMaxSize = {Width(normal), Height(normal)};
        info->ptMaxPosition = {normal.left, normal.top};
    }
}

void CInstallDlg::OnInitMenuPopup(HMENU menu, bool systemMenu)
{
    if (!systemMenu)
        return;
    bool minimised = IsIconic(m_hWnd) != FALSE;
    EnableMenuItem(menu, SC_MINIMIZE, MF_BYCOMMAND | (minimised ? MF_GRAYED : MF_ENABLED));
    EnableMenuItem(menu, SC_RESTORE, MF_BYCOMMAND | (minimised ? MF_ENABLED : MF_GRAYED));
}

bool CInstallDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            CAboutDlg about(m_hWnd);
            about.DoModal();
            result = 0;
            return true;
        }
        return false;
    case WM_PAINT:
        if (IsIconic(m_hWnd)) {
            PaintMinimised();
            result = 0;
            return true;
        }
        return false;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_hIcon);
        return true;
    case WM_GETMINMAXINFO:
        result = Default(message, wParam, lParam);
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return true;
    case WM_INITMENUPOPUP:
        result = Default(message, wParam, lParam);
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), HIWORD(lParam) != 0);
        return true;
    case WM_TW_REFRESH_TEXTS:
        RefreshTexts();
        result = 0;
        return true;
    default:
        return false;
    }
}
