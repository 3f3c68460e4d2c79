// The journal side of CUninstallLog: recording actions just before they
// happen, with backups of what they replace, and undoing them.
#include "uninstall_log/uninstall_log.h"

#include "app/product.h"
#include "winhelpers/scoped_reg_key.h"
#include "winhelpers/security.h"

#include <shlobj.h>
#include <shlwapi.h>

namespace {

bool file_exists(const std::wstring& path)
{
    return !path.empty() && PathFileExistsW(path.c_str()) && !PathIsDirectoryW(path.c_str());
}

// Puts a backup back in place of whatever is at `path` now.
void restore_file(const std::wstring& path, const std::wstring& backup)
{
    if (!path.empty()) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
    }
    if (backup.empty())
        return;
    DWORD attributes = GetFileAttributesW(backup.c_str());
    SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (MoveFileW(backup.c_str(), path.c_str()) && attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(path.c_str(), attributes);
}

void restore_registry_key(const std::wstring& backup)
{
    tw::set_privilege(L"SeRestorePrivilege", true);
    tw::scoped_reg_key uninstall;
    if (uninstall.open(HKEY_LOCAL_MACHINE, UninstallRootKeyPath().c_str(), KEY_ALL_ACCESS) == ERROR_SUCCESS) {
        const std::wstring product = ProductFolderName();
        if (!backup.empty()) {
            tw::scoped_reg_key key;
            if (key.open(uninstall.get(), product.c_str(), KEY_ALL_ACCESS) == ERROR_SUCCESS)
                RegRestoreKeyW(key.get(), backup.c_str(), 0);
            key.reset();
            SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(backup.c_str());
        } else {
            SHDeleteKeyW(uninstall.get(), product.c_str());
        }
    }
    uninstall.reset();
    tw::set_privilege(L"SeRestorePrivilege", false);
}

} // namespace

void CUninstallLog::Append(LogEntryKind kind, std::wstring path, bool done, int32_t fileKind)
{
    UninstallLogEntry entry;
    entry.kind = kind;
    entry.path = std::move(path);
    entry.done = done;
    entry.fileKind = fileKind;
    currentEntries.push_back(std::move(entry));
}

std::wstring CUninstallLog::MakeBackup(const wchar_t* path, bool copy, DWORD* error)
{
    DWORD failure = ERROR_SUCCESS;
    std::wstring backup = [&]() -> std::wstring {
        wchar_t folder[MAX_PATH] = {};
        DWORD length = GetTempPathW(MAX_PATH, folder);
        if (length == 0 || length > MAX_PATH - 14) {
            failure = length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE;
            return {};
        }
        wchar_t name[MAX_PATH] = {};
        if (!GetTempFileNameW(folder, L"tw", 0, name)) {
            failure = GetLastError();
            return {};
        }
        DeleteFileW(name); // only the unique name is wanted
        if (!path)
            return name;

        DWORD attributes = GetFileAttributesW(path);
        bool known = attributes != INVALID_FILE_ATTRIBUTES;
        SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
        if (copy) {
            if (CopyFileW(path, name, FALSE)) {
                if (known) {
                    SetFileAttributesW(path, attributes);
                    SetFileAttributesW(name, attributes);
                }
                return name;
            }
        } else if (MoveFileW(path, name)) {
            if (known)
                SetFileAttributesW(name, attributes);
            return name;
        }
        failure = GetLastError();
        // A copy that failed half-way must not stay behind.
        SetFileAttributesW(name, FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(name);
        if (known)
            SetFileAttributesW(path, attributes);
        return {};
    }();
    if (error)
        *error = backup.empty() ? (failure != ERROR_SUCCESS ? failure : ERROR_CAN_NOT_COMPLETE) : ERROR_SUCCESS;
    return backup;
}

void CUninstallLog::EnsureFolder(const wchar_t* folder)
{
    if (!folder || !*folder)
        return;
    wchar_t buffer[MAX_PATH] = {};
    lstrcpynW(buffer, folder, MAX_PATH);

    // The first prefix ends after the first element below the root.
    wchar_t* end = PathFindNextComponentW(buffer);
    if (end && *end)
        end = PathFindNextComponentW(end);
    while (end) {
        // The component finder leaves `end` after the separator: cut before it.
        wchar_t* cut = end;
        if (cut > buffer && *cut && (cut[-1] == L'\\' || cut[-1] == L'/'))
            --cut;
        wchar_t kept = *cut;
        *cut = 0;
        if (!PathIsDirectoryW(buffer)) {
            if (!CreateDirectoryW(buffer, nullptr))
                return;
            SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHW, buffer, nullptr);
            Append(LogEntryKind::Folder, buffer, true);
        }
        *cut = kept;
        if (!*end)
            break;
        end = PathFindNextComponentW(end);
    }
}

DWORD CUninstallLog::AddFile(const wchar_t* path, int32_t fileKind, bool copyExisting)
{
    pending = true;
    wchar_t folder[MAX_PATH] = {};
    lstrcpynW(folder, path, MAX_PATH);
    if (PathRemoveFileSpecW(folder))
        EnsureFolder(folder);
    Append(LogEntryKind::File, path, false, fileKind);
    if (!file_exists(path))
        return ERROR_SUCCESS;
    DWORD error = ERROR_SUCCESS;
    currentEntries.back().backup = MakeBackup(path, copyExisting, &error);
    if (error != ERROR_SUCCESS) {
        // Without a backup the file must neither be overwritten nor, on a
        // rollback, deleted: it leaves the journal again.
        currentEntries.pop_back();
        pending = false;
    }
    return error;
}

void CUninstallLog::AddShortcut(int slot, const wchar_t* folder)
{
    pending = true;
    EnsureFolder(folder);
    LogEntryKind kind = slot == 0   ? LogEntryKind::MenuShortcut
                        : slot == 1 ? LogEntryKind::UninstallShortcut
                                    : LogEntryKind::DesktopShortcut;
    Append(kind, {}, false);
    for (const UninstallLogEntry& previous : previousEntries) {
        if (previous.kind != kind)
            continue;
        if (file_exists(previous.path))
            currentEntries.back().backup = MakeBackup(previous.path.c_str(), false);
        break;
    }
}

void CUninstallLog::AddRegistryKey(HKEY key)
{
    pending = true;
    Append(LogEntryKind::RegistryKey, {}, false);
    if (!key)
        return;
    std::wstring backup = MakeBackup(nullptr, false);
    if (backup.empty())
        return;
    tw::set_privilege(L"SeBackupPrivilege", true);
    if (RegSaveKeyW(key, backup.c_str(), nullptr) == ERROR_SUCCESS) {
        currentEntries.back().backup = backup;
    } else {
        SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(backup.c_str());
    }
    tw::set_privilege(L"SeBackupPrivilege", false);
}

void CUninstallLog::AddRegistration()
{
    pending = true;
    Append(LogEntryKind::Registration, {}, false);
}

void CUninstallLog::Complete(bool done, const wchar_t* path)
{
    if (!pending || currentEntries.empty())
        return;
    pending = false;
    currentEntries.back().done = done;
    if (path)
        currentEntries.back().path = path;
}

bool CUninstallLog::ContainsInstalledFile(const wchar_t* path) const
{
    if (!path)
        return false;
    for (const UninstallLogEntry& entry : previousEntries)
        if (entry.kind == LogEntryKind::File && entry.done && entry.path == path)
            return true;
    return false;
}

void CUninstallLog::Rollback()
{
    while (!currentEntries.empty()) {
        const UninstallLogEntry& entry = currentEntries.back();
        switch (entry.kind) {
        case LogEntryKind::Folder:
            RemoveDirectoryW(entry.path.c_str());
            break;
        case LogEntryKind::RegistryKey:
            restore_registry_key(entry.backup);
            break;
        case LogEntryKind::Registration:
            break;
        default:
            restore_file(entry.path, entry.backup);
            break;
        }
        currentEntries.pop_back();
    }
    pending = false;
}
