#pragma once
// The wizard frame: the installer's only top-level window. It hosts the six
// pages in one area, owns Back, Next and Exit, decides which page is shown and
// carries the About entry of the system menu.
#include "framework/dialog.h"
#include "wizard/dlg_install.h"
#include "wizard/dlg_start.h"
#include "wizard/option_pages.h"

#include <array>

class CInstallApp;

class CInstallDlg : public CDialog {
public:
    explicit CInstallDlg(CInstallApp& app);

    enum Page { StartPage, ModePage, PathPage, ShortcutPage, InstallPage, EndPage, PageCount };

    // The only way to change the visible page.
    void ShowPage(int index);
    void UpdateButtons();
    // Title, About entry, buttons and every page, in the current language.
    void RefreshTexts();
    int CurrentPage() const { return m_currentPage; }
    // The system-menu entry that opens the About box, in the current
    // language: "&About '...'..." left to right, "...About '...'" right to
    // left; empty when the text is missing.
    static std::wstring AboutEntryText();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnBack();
    void LayOutPages();
    void PaintMinimised();
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void OnInitMenuPopup(HMENU menu, bool systemMenu);

    CInstallApp& m_app;
    CDlgStart m_start;
    CDlgMode m_mode;
    CDlgPath m_path;
    CDlgShortcut m_shortcut;
    CDlgInstall m_install;
    CDlgEnd m_end;
    std::array<CWizardPage*, PageCount> m_pages;
    int m_currentPage = -1;
    HICON m_hIcon;
};
