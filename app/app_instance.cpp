// The installer's process start, in order: DLL search restricted, platform
// gate, the process counted among the product family's running members,
// runtime check, then the application object. One translation unit, so
// that the order is the order of the definitions.
//
// The executable imports kernel32.dll and msvcrt.dll alone; every other system
// DLL is delay-loaded (cmake/delay_load.cmake), so the first of them is loaded
// at the first call into it, after the restriction, and from the system folder
// through the hook below.
#include "app/install_app.h"
#include "app/running_instances.h"
#include "app/startup_checks.h"
#include "winhelpers/system_library.h"

// The delay-load helper loads each DLL through tw::load_system_library
// (declared extern "C" by <delayimp.h>).
PfnDliHook __pfnDliNotifyHook2 = tw::bind_delay_loaded_dll;

namespace {

// Before every other static initialiser: no DLL is loaded from the installer's
// own folder or the current directory.
__attribute__((constructor(101))) void restrict_dll_search_at_start()
{
    tw::restrict_dll_search();
    // DLLs that system DLLs load by name themselves, for the common controls,
    // theming and COM, where the restriction does not reach everywhere (on
    // systems without it, and inside Wine's own DLLs): loaded from the system
    // folder now, so that those later loads find them already in the process.
    // They stay loaded for the life of the process.
    for (const wchar_t* name : {L"uxtheme.dll", L"dwmapi.dll", L"msimg32.dll", L"imm32.dll", L"rpcrt4.dll",
                                L"combase.dll", L"ole32.dll"})
        tw::load_system_library(name);
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
