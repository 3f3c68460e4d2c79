// The demo product's uninstaller. Started from the installation folder (the
// Uninstall key's UninstallString, the Start-menu link), it hands the work to
// a copy of itself in the temporary folder and ends, so that its own file can
// be removed; the copy does the work (see temporary_copy.h). Both count
// themselves among the product family's running members while they run.
#include "app/running_instances.h"
#include "demo/temporary_copy.h"
#include "demo/uninstall_texts.h"
#include "demo/uninstaller.h"
#include "winhelpers/error_text.h"
#include "winhelpers/scoped_handle.h"

#include <windows.h>

namespace {

// How long the copy waits for the original to end before it goes on anyway
// (the original file is then reported as not removed).
constexpr DWORD kOriginalExitTimeoutMs = 60000;

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    using namespace uninstall;
    startup::RegisterRunningInstance();
    std::optional<finish_request> request = parse_finish_request(GetCommandLineW());
    if (!request) {
        DWORD error = start_temporary_copy();
        if (error == ERROR_SUCCESS)
            return kRemoved;
        set_text_language(installed_language());
        show_box(load_text(text::handover_failed, {tw::error_text(error, 0)}), MB_OK | MB_ICONSTOP);
        return kNotAllRemoved;
    }
    {
        tw::scoped_handle original(request->original);
        WaitForSingleObject(original.get(), kOriginalExitTimeoutMs);
    }
    int code = CUninstaller(request->originalPath).Run();
    schedule_removal_of_temporary_copy();
    return code;
}
