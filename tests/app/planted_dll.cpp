// A DLL planted beside a program, standing for one an attacker leaves in a
// Downloads folder. When loaded it leaves a marker file beside itself, named
// after the name it was loaded under with ".loaded" appended, so that a test
// can tell afterwards which planted copies a program loaded. It exports none
// of the functions of the DLLs it stands in for.
#include <windows.h>

#include <string>

extern "C" __declspec(dllexport) int planted_marker()
{
    return 42;
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH] = {};
        DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            std::wstring marker = std::wstring(path, length) + L".loaded";
            HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE)
                CloseHandle(file);
        }
    }
    return TRUE;
}
