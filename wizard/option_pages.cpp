#include "wizard/option_pages.h"

#include "app/install_app.h"
#include "app/installer_texts.h"
#include "app/product.h"
#include "framework/data_exchange.h"
#include "resources/dialog_ids.h"
#include "resources/text_ids.h"
#include "winhelpers/folder_browser.h"
#include "winhelpers/folder_paths.h"

#include <shlobj.h>
#include <shlwapi.h>

namespace {

void SetStatusText(const CDialog& page)
{
    page.SetDlgItemText(IDC_STATUS, PageText(IDS_STATUS_CONTINUE, {LoadText(IDS_NEXT_BUTTON)}));
}

} // namespace

// Mode page

void CDlgMode::DoDataExchange(CDataExchange* pDX)
{
    CInstallApp& app = m_app;
    if (!pDX->m_bSaveAndValidate)
        m_methodIndex = app.m_advancedMode ? 1 : 0;
    DDX_Radio(pDX, IDC_MODE_QUICK, m_methodIndex);
    if (pDX->m_bSaveAndValidate)
        app.m_advancedMode = m_methodIndex == 1;
}

void CDlgMode::RefreshTexts()
{
    SetDlgItemText(IDC_MODE_GROUP, LoadText(IDS_MODE_GROUP));
    SetDlgItemText(IDC_MODE_QUICK, LoadText(IDS_MODE_QUICK));
    SetDlgItemText(IDC_MODE_ADVANCED, LoadText(IDS_MODE_ADVANCED));
    SetStatusText(*this);
}

void CDlgMode::StretchControls(int dx, int dy)
{
    Widen(IDC_MODE_GROUP, dx);
    Widen(IDC_MODE_QUICK, dx);
    Widen(IDC_MODE_ADVANCED, dx);
    WidenAndShiftDown(IDC_STATUS, dx, dy);
}

// Folder page

CDlgPath::CDlgPath(CInstallApp& app) : CWizardPage(app)
{
    OnCommandFrom(IDC_BROWSE, BN_CLICKED, [this] { OnBrowse(); });
}

BOOL CDlgPath::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    // The folder of an existing installation cannot be changed.
    if (m_app.m_installState != NotInstalled) {
        EnableDlgItem(IDC_PATH_LABEL, FALSE);
        EnableDlgItem(IDC_BROWSE, FALSE);
        SendMessageW(GetDlgItem(IDC_FOLDER), EM_SETREADONLY, TRUE, 0);
    }
    return TRUE;
}

void CDlgPath::DoDataExchange(CDataExchange* pDX)
{
    CInstallApp& app = m_app;
    if (!pDX->m_bSaveAndValidate)
        m_folderText = app.m_installPath;
    DDX_Text(pDX, IDC_FOLDER, m_folderText);
    DDV_MaxChars(pDX, m_folderText, kMaxTextChars);
    if (pDX->m_bSaveAndValidate)
        app.m_installPath = m_folderText;
}

void CDlgPath::OnBrowse()
{
    UpdateData(TRUE);
    // The browser's new start folder is not used: the page keeps the full folder.
    std::wstring start = m_app.m_installPath;
    std::wstring chosen =
        tw::browse_for_folder(start, ProductFolderName().c_str(), PageText(IDS_FOLDER_PROMPT, {ProductName()}));
    if (chosen.empty())
        return;
    m_app.m_installPath = chosen;
    UpdateData(FALSE);
}

void CDlgPath::RefreshTexts()
{
    SetDlgItemText(IDC_PATH_GROUP, LoadText(IDS_FOLDER_GROUP));
    SetDlgItemText(IDC_PATH_LABEL, PageText(IDS_FOLDER_PROMPT, {ProductName()}));
    SetDlgItemText(IDC_BROWSE, LoadText(IDS_BROWSE_BUTTON));
    SetStatusText(*this);
}

void CDlgPath::StretchControls(int dx, int dy)
{
    Widen(IDC_PATH_GROUP, dx);
    Widen(IDC_PATH_LABEL, dx);
    Widen(IDC_FOLDER, dx);
    ShiftRight(IDC_BROWSE, dx);
    WidenAndShiftDown(IDC_STATUS, dx, dy);
}

// Shortcut page

CDlgShortcut::CDlgShortcut(CInstallApp& app) : CWizardPage(app)
{
    OnCommandFrom(IDC_BROWSE, BN_CLICKED, [this] { OnBrowse(); });
    OnCommandFrom(IDC_MENU_SHORTCUT, BN_CLICKED, [this] { ApplyMenuCheck(); });
}

BOOL CDlgShortcut::OnInitDialog()
{
    wchar_t root[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, root, CSIDL_COMMON_STARTMENU, FALSE)) {
        root[0] = 0;
        SHGetSpecialFolderPathW(nullptr, root, CSIDL_STARTMENU, FALSE);
    }
    m_startMenuRoot = root;
    CWizardPage::OnInitDialog();
    ApplyMenuCheck();
    return TRUE;
}

std::wstring CDlgShortcut::RelativeFolderText(const std::wstring& root, const std::wstring& folder)
{
    // Another drive gives the absolute folder, which PathCombineW gives back unchanged.
    return tw::relative_folder_text(root, folder);
}

void CDlgShortcut::DoDataExchange(CDataExchange* pDX)
{
    CInstallApp& app = m_app;
    if (!pDX->m_bSaveAndValidate) {
        m_desktopFlag = app.m_desktopShortcut ? BST_CHECKED : BST_UNCHECKED;
        m_menuFlag = app.m_startMenuShortcut ? BST_CHECKED : BST_UNCHECKED;
        m_relativeFolder = RelativeFolderText(m_startMenuRoot, app.m_shortcutFolder);
    }
    DDX_Check(pDX, IDC_DESKTOP_SHORTCUT, m_desktopFlag);
    DDX_Check(pDX, IDC_MENU_SHORTCUT, m_menuFlag);
    DDX_Text(pDX, IDC_FOLDER, m_relativeFolder);
    DDV_MaxChars(pDX, m_relativeFolder, kMaxTextChars);
    if (pDX->m_bSaveAndValidate) {
        app.m_desktopShortcut = m_desktopFlag == BST_CHECKED;
        app.m_startMenuShortcut = m_menuFlag == BST_CHECKED;
        wchar_t combined[MAX_PATH] = {};
        if (PathCombineW(combined, m_startMenuRoot.c_str(), m_relativeFolder.c_str()))
            app.m_shortcutFolder = combined;
    }
}

void CDlgShortcut::ApplyMenuCheck()
{
    BOOL on = IsDlgButtonChecked(m_hWnd, IDC_MENU_SHORTCUT) == BST_CHECKED;
    EnableDlgItem(IDC_FOLDER, on);
    EnableDlgItem(IDC_BROWSE, on);
}

void CDlgShortcut::OnBrowse()
{
    UpdateData(TRUE);
    std::wstring start = m_app.m_shortcutFolder;
    std::wstring relative;
    std::wstring chosen = tw::browse_for_start_menu_folder(start, ProductFolderName().c_str(),
                                                           LoadText(IDS_MENU_SHORTCUT_OPTION), relative);
    if (chosen.empty())
        return;
    m_relativeFolder = relative;
    m_app.m_shortcutFolder = chosen;
    UpdateData(FALSE);
}

void CDlgShortcut::RefreshTexts()
{
    SetDlgItemText(IDC_MENU_GROUP, LoadText(IDS_START_MENU_GROUP));
    SetDlgItemText(IDC_MENU_SHORTCUT, LoadText(IDS_MENU_SHORTCUT_OPTION));
    SetDlgItemText(IDC_BROWSE, LoadText(IDS_BROWSE_BUTTON));
    SetDlgItemText(IDC_DESKTOP_SHORTCUT, LoadText(IDS_DESKTOP_SHORTCUT_OPTION));
    SetStatusText(*this);
}

void CDlgShortcut::StretchControls(int dx, int dy)
{
    Widen(IDC_MENU_GROUP, dx);
    Widen(IDC_MENU_SHORTCUT, dx);
    Widen(IDC_FOLDER, dx);
    Widen(IDC_DESKTOP_SHORTCUT, dx);
    ShiftRight(IDC_BROWSE, dx);
    WidenAndShiftDown(IDC_STATUS, dx, dy);
}
