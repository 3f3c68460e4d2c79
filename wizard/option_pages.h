#pragma once
// Pages 1 to 3: installation method, installation folder, shortcuts. They keep
// nothing of their own beyond their controls: they load from and store into
// the run state.
#include "wizard/wizard_page.h"

#include <string>

class CDlgMode : public CWizardPage {
public:
    using CWizardPage::CWizardPage;
    void StretchControls(int dx, int dy) override;
    void RefreshTexts() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;

private:
    int m_methodIndex = -1; // 0 quick, 1 advanced, -1 none checked
};

class CDlgPath : public CWizardPage {
public:
    explicit CDlgPath(CInstallApp& app);
    void StretchControls(int dx, int dy) override;
    void RefreshTexts() override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

private:
    void OnBrowse();

    std::wstring m_folderText;
};

class CDlgShortcut : public CWizardPage {
public:
    explicit CDlgShortcut(CInstallApp& app);
    void StretchControls(int dx, int dy) override;
    void RefreshTexts() override;

    // The folder shown for `folder` below the Start-menu `root`: empty for the
    // root itself; a folder that cannot be expressed relative to it is shown
    // as it stands.
    static std::wstring RelativeFolderText(const std::wstring& root, const std::wstring& folder);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

private:
    void OnBrowse();
    void ApplyMenuCheck();

    int m_desktopFlag = BST_UNCHECKED;
    int m_menuFlag = BST_UNCHECKED;
    std::wstring m_relativeFolder;
    std::wstring m_startMenuRoot;
};
