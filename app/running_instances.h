#pragma once
// The process's unit in the product family's running-instances semaphore:
// every member of the family (the installer, the product, its uninstaller)
// counts itself in while it runs, so that each can see the others.
#include "winhelpers/named_objects.h"

namespace startup {

struct RunningInstanceRegistration {
    tw::semaphore_units units;
    bool registered = false; // the semaphore exists and this process counts in it
};

// Opens or creates the semaphore and adds this process's unit, once per
// process; the unit is taken back at process end.
RunningInstanceRegistration& RegisterRunningInstance();

// The count of running members, this process included; 0 when this process
// could not register (no other member can then be seen).
long RunningMembers();

} // namespace startup
