#pragma once
// One record of the uninstall log and of the install journal. Portable: the
// log's text form is parsed natively too (tests and the fuzz target).
#include <cstdint>
#include <string>

enum class LogEntryKind : int32_t {
    Folder = 0,            // a folder the installer created
    File = 1,
    MenuShortcut = 2,      // Start-menu link to the product
    UninstallShortcut = 3, // Start-menu link to the uninstaller
    DesktopShortcut = 4,
    RegistryKey = 5,       // the product's Uninstall key
    Registration = 6,      // the product's self-registration run
};

struct UninstallLogEntry {
    LogEntryKind kind = LogEntryKind::Folder;
    std::wstring path;     // empty for the registry key and the registration while in memory
    std::wstring backup;   // backup copy in the temporary folder; never written to the file
    bool done = false;
    int32_t fileKind = -1; // payload file kind of a file entry, else -1

    bool operator==(const UninstallLogEntry&) const = default;
};
