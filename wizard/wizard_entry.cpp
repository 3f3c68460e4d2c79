#include "wizard/wizard_entry.h"

#include "app/install_app.h"

void RunWizard(CInstallApp&)
{
    // The wizard frame is not part of this build yet: start-up ends here.
}
