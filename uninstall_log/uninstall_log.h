#pragma once
// The uninstall log "Uninstall.ulog" and the install journal it is made from.
// One object for the whole run: first the previous installation's log, then
// this run's journal, which Write merges with it and commits.
#include "uninstall_log/log_entry.h"

#include <windows.h>

#include <string>
#include <vector>

class CUninstallLog {
public:
    // --- The file ---

    // Reads a log written by Write (or by an earlier installer). Null only
    // empties the two folders. A missing, foreign or damaged file ends the
    // reading quietly; what was read before stays.
    void Read(const wchar_t* logPath);

    // Merges the previous entries into this run's, writes the log (read-only,
    // archive, not indexed) and deletes every backup, even when the file cannot
    // be created. True when the file was created and every write succeeded.
    bool Write(const wchar_t* logPath, const std::wstring& installPath, const std::wstring& shortcutPath);

    // --- The journal ---

    // A file about to be written; an existing one is moved to a backup, or
    // copied when `copyExisting`. Missing folders are created and journaled.
    // When an existing file cannot be backed up, no entry stays for it and
    // the answer is the system error: the caller must not write the file.
    DWORD AddFile(const wchar_t* path, int32_t fileKind, bool copyExisting);
    // A shortcut about to be created in `folder`: slot 0 the product's
    // Start-menu link, 1 the uninstaller's, any other the desktop link. The
    // previous installation's link of that kind is moved to a backup.
    void AddShortcut(int slot, const wchar_t* folder);
    // The product's Uninstall key; when `key` is given (it existed), its
    // content is saved to a hive file first.
    void AddRegistryKey(HKEY key);
    void AddRegistration();
    // Closes the pending entry; `path`, when given, becomes its path.
    void Complete(bool done, const wchar_t* path);
    // The previous log lists exactly this path as a completed file.
    bool ContainsInstalledFile(const wchar_t* path) const;
    // Undoes this run's entries newest first and empties the journal.
    void Rollback();
    // Creates the missing folders of `folder`, outermost first, journaling each.
    void EnsureFolder(const wchar_t* folder);
    // A fresh "tw" name in the temporary folder; with a path, the file moved
    // (or copied) there with its attributes. Empty on failure, with the
    // system error in `error` when given.
    std::wstring MakeBackup(const wchar_t* path, bool copy, DWORD* error = nullptr);
    // Deletes every backup of this run's entries: the installation stands.
    void DeleteBackups();

    std::wstring installPath;   // previous installation folder, if it still exists
    std::wstring shortcutPath;  // previous Start-menu folder, if it still exists
    std::wstring previousTitle; // product title named by the previous log
    bool readToEnd = false;     // Read met the end of the file, after a line end, without a damaged or foreign line
    std::vector<UninstallLogEntry> previousEntries;
    std::vector<UninstallLogEntry> currentEntries; // oldest first
    bool pending = false;       // the newest current entry awaits its outcome

private:
    void Append(LogEntryKind kind, std::wstring path, bool done, int32_t fileKind = -1);
    void MergePrevious();
};

// The names the log spells out for the two entries that have no path.
std::wstring UninstallLogRegistryKeyText();   // HKEY_LOCAL_MACHINE\...\Uninstall\Korvane 6
std::wstring UninstallLogRegistrationText();  // HKEY_CLASSES_ROOT\...
