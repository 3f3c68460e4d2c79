#pragma once
// Page 4, where the installation runs: a summary of the chosen options in a
// read-only log box, the status line and a progress bar that the install
// sequence shows. Page 5 says that the installation is complete.
#include "engine/install_view.h"
#include "framework/controls.h"
#include "wizard/wizard_page.h"

#include <string>

class CDlgInstall : public CWizardPage, public IInstallView {
public:
    using CWizardPage::CWizardPage;
    void StretchControls(int dx, int dy) override;
    void RefreshTexts() override;

    // Runs the install sequence; true when the product was copied.
    bool Install();

    // Appends `text` to the end of the log box. A heading, or an empty text,
    // becomes a rule of dashes as wide as the box (the heading centred in it).
    void AppendLine(const std::wstring& text, bool heading) override;

    // The rest of what the install sequence shows on this page.
    void SetStatus(const std::wstring& text) override;
    void SetStatusPath(const std::wstring& text) override;
    void ShowProgress(bool show) override;
    void SetProgress(int position) override;
    HWND Owner() const override { return m_hWnd; }

    CEdit m_log;
    CProgressCtrl m_progress;
    // Captured by the install sequence; the page itself never reads them.
    std::wstring mainProgramPath;
    std::wstring uninstallerPath;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

private:
    void ShowSummary();
};

class CDlgEnd : public CWizardPage {
public:
    using CWizardPage::CWizardPage;
    void StretchControls(int dx, int dy) override;
    void RefreshTexts() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
