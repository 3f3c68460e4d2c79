#pragma once
// How the uninstaller removes its own file. A running program's file cannot
// be deleted, so the uninstaller started from the installation folder copies
// itself into a fresh folder of the temporary folder, starts the copy with
// "/Finish", hands it a handle of its own process and ends. The copy waits
// for that handle, so that the original file and its folder can go, does the
// work, and at its end schedules the deletion of its own file and folder for
// the next restart (MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT, which
// removes a folder when it is empty by then).
#include <windows.h>

#include <optional>
#include <string>

namespace uninstall {

// The prefix of the copy's folder name in the temporary folder.
constexpr const wchar_t* kCopyFolderPrefix = L"tarnwick_uninstall_";

// Starts the copy; 0 when it runs, else the system error.
DWORD start_temporary_copy();

// What the copy is given on its command line.
struct finish_request {
    HANDLE original = nullptr; // the process that started the copy, to wait for; the caller owns it
    std::wstring originalPath; // its file, beside the uninstall log
};
// The request of a command line "... /Finish <handle> <original path>";
// nullopt for any other command line.
std::optional<finish_request> parse_finish_request(const wchar_t* commandLine);

// True when the running program is a copy in a folder this uninstaller made
// in the temporary folder.
bool running_as_temporary_copy();
// Schedules the copy's file and folder for deletion at the next restart;
// does nothing unless running as a copy. False when scheduling failed.
bool schedule_removal_of_temporary_copy();

} // namespace uninstall
