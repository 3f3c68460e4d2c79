// The demo product's uninstaller. It carries its version and counts itself
// among the product family's running members while it runs; removing what
// the uninstall log lists comes later.
#include "app/running_instances.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    startup::RegisterRunningInstance();
    return 0;
}
