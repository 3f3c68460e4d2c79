// The installer's process start, in order: DLL search restricted, platform
// gate, the process counted among the product family's running members,
// runtime check, then the application object. One translation unit, so
// that the order is the order of the definitions.
#include "app/install_app.h"
#include "app/running_instances.h"
#include "app/startup_checks.h"
#include "winhelpers/system_library.h"

namespace {

// Before every other static initialiser: no DLL is loaded from the installer's
// own folder or the current directory.
__attribute__((constructor(101))) void restrict_dll_search_at_start()
{
    tw::restrict_dll_search();
}

const bool platform_checked = (startup::RunPlatformGate(), true);
const bool registered_as_running = (startup::RegisterRunningInstance(), true);
const bool runtime_checked = (startup::RunRuntimeCheck(), true);

CInstallApp theApp;

} // namespace

CInstallApp& InstallApp()
{
    return theApp;
}
