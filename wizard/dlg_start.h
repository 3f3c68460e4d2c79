#pragma once
// Page 0: the language list with flags, and what the wizard is about to do.
#include "framework/controls.h"
#include "wizard/wizard_page.h"

class CDlgStart : public CWizardPage {
public:
    explicit CDlgStart(CInstallApp& app);
    void StretchControls(int dx, int dy) override;
    void RefreshTexts() override;

    // Language list order: the product languages as the user sees them.
    static const int kLanguageOrder[12];

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

private:
    void AddLanguage(int& position, int& currentPosition, int language);
    void SetDropDownWidth();
    void OnLanguageSelected();

    CComboBoxEx m_languageCombo;
    CImageList m_flagImages;
};
