#include "app/startup_guards.h"

#include "app/installer_texts.h"
#include "app/product.h"
#include "framework/message_box.h"
#include "resources/text_ids.h"
#include "winhelpers/message_boxes.h"

namespace startup {

bool SingleInstanceGuard(tw::named_mutex& instanceMutex)
{
    if (instanceMutex.try_lock())
        return true;
    tw::report_error(ERROR_BUSY);
    return false;
}

bool AdministratorGuard(const std::function<bool()>& isAdmin)
{
    if (isAdmin())
        return true;
    AfxMessageBox(LoadText(IDS_NEED_ADMIN), MB_ICONEXCLAMATION | MB_OK);
    return false;
}

bool RunningProductGuard(const std::function<long()>& runningMembers)
{
    // This process counts itself: two or more means another member runs.
    while (runningMembers() >= 2) {
        if (AfxMessageBox(FormatText(LoadText(IDS_CLOSE_PRODUCT), {ProductName()}),
                          MB_RETRYCANCEL | MB_ICONEXCLAMATION) != IDRETRY)
            return false;
    }
    return true;
}

} // namespace startup
