#pragma once
// The About box: the installer's own name, version and copyright line from
// its version resource, and the maker's contact lines.
#include "framework/dialog.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(HWND owner);

protected:
    BOOL OnInitDialog() override;
};
