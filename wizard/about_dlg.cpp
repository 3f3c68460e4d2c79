#include "wizard/about_dlg.h"

#include "app/installer_texts.h"
#include "app/product.h"
#include "resources/dialog_ids.h"
#include "winhelpers/version_info.h"

#include <vector>

CAboutDlg::CAboutDlg(HWND owner) : CDialog(IDD_ABOUTBOX, owner) {}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    tw::file_version_info info;
    info.request = tw::file_version_info::want_title | tw::file_version_info::want_legal_copyright;
    tw::read_version_info(info, nullptr);

    std::wstring caption = LoadText(IDS_ABOUT_ENTRY);
    if (caption.empty()) {
        int n = GetWindowTextLengthW(m_hWnd);
        std::vector<wchar_t> text(static_cast<size_t>(n) + 1);
        GetWindowTextW(m_hWnd, text.data(), n + 1);
        caption = text.data();
    }
    SetWindowTextW(m_hWnd, FormatText(caption, {InstallerTitle(false)}).c_str());
    if (!info.title.empty())
        SetDlgItemText(IDC_ABOUT_TITLE, info.title);
    if (!info.legal_copyright.empty())
        SetDlgItemText(IDC_ABOUT_COPYRIGHT, info.legal_copyright);
    SetDlgItemText(IDOK, LoadText(IDS_OK_BUTTON));
    return TRUE;
}
