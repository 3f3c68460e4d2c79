#include "wizard/wizard_entry.h"

#include "app/install_app.h"
#include "wizard/install_dlg.h"

void RunWizard(CInstallApp& app)
{
    CInstallDlg frame(app);
    frame.DoModal();
    app.SetMainWnd(nullptr);
}
