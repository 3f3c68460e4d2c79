#pragma once
// The three guards of the start-up: one installer at a time, administrators
// only, and no member of the product family running. Each answers whether
// the start-up may go on, after telling the user why not.
#include "winhelpers/named_objects.h"

#include <functional>

namespace startup {

// Takes the installer's mutex; reports ERROR_BUSY when another installer has it.
bool SingleInstanceGuard(tw::named_mutex& instanceMutex);

// Shows the administrator-rights text when `isAdmin` says no.
bool AdministratorGuard(const std::function<bool()>& isAdmin);

// While `runningMembers` counts another member besides this process, asks
// the user to close the product: Retry looks again, Cancel stops.
bool RunningProductGuard(const std::function<long()>& runningMembers);

} // namespace startup
