#include "app/running_instances.h"

#include "app/product.h"

namespace startup {

namespace {
constexpr LONG kMaximumMembers = 0x7FFFFFFF;
} // namespace

RunningInstanceRegistration& RegisterRunningInstance()
{
    static RunningInstanceRegistration registration;
    static const bool attempted = [] {
        RunningInstanceRegistration& r = registration;
        r.units.handle.reset(tw::create_semaphore(0, kMaximumMembers, RunningInstancesSemaphoreName()));
        if (r.units.handle.valid() && ReleaseSemaphore(r.units.handle.get(), 1, nullptr)) {
            r.units.units = 1;
            r.registered = true;
        }
        return true;
    }();
    (void)attempted;
    return registration;
}

long RunningMembers()
{
    RunningInstanceRegistration& r = RegisterRunningInstance();
    return r.registered ? tw::count_running_instances(r.units.handle.get()) : 0;
}

} // namespace startup
