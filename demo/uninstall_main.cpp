// The demo product's uninstaller. It carries its version; removing what the
// uninstall log lists comes later.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    return 0;
}
