// A harmless DLL placed beside the test program, standing for one planted
// beside the installer in a Downloads folder.
#include <windows.h>

extern "C" __declspec(dllexport) int planted_marker()
{
    return 42;
}
