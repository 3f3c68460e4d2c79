// Test helper: holds a file open so that others may write it but not read it,
// signals the named event once it does, and lets go after the given time.
//   share_holder PATH MILLISECONDS EVENT_NAME
#include <windows.h>

#include <cstdlib>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4)
        return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
    if (ready) {
        SetEvent(ready);
        CloseHandle(ready);
    }
    Sleep(static_cast<DWORD>(_wtoi(argv[2])));
    CloseHandle(file);
    return 0;
}
