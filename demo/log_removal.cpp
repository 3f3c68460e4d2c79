#include "demo/log_removal.h"

#include "app/product.h"
#include "winhelpers/scoped_handle.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>

namespace uninstall {

namespace {

constexpr int32_t kMainProgram = 1; // payload file kinds
constexpr int32_t kKeptData = 3;
constexpr int kRegistrationExitCode = -10;

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring parent_of(const std::wstring& path)
{
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool is_link(LogEntryKind kind)
{
    return kind == LogEntryKind::MenuShortcut || kind == LogEntryKind::UninstallShortcut ||
           kind == LogEntryKind::DesktopShortcut;
}

// The newest main program the log lists that is still there.
std::wstring main_program(const std::vector<UninstallLogEntry>& entries)
{
    for (auto e = entries.rbegin(); e != entries.rend(); ++e)
        if (e->kind == LogEntryKind::File && e->fileKind == kMainProgram && exists(e->path))
            return e->path;
    return {};
}

} // namespace

std::vector<std::wstring> removal_outcome::kept_folders() const
{
    std::vector<std::wstring> folders;
    for (const std::wstring& file : kept) {
        std::wstring folder = parent_of(file);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    return folders;
}

log_removal::log_removal(protected_paths guard, unregistration unregister)
    : guard_(std::move(guard)), unregister_(std::move(unregister))
{
}

bool log_removal::remove_file(const std::wstring& path) const
{
    if (!exists(path))
        return true;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    // DeleteFileW may answer TRUE while the file stays: the disk decides.
    return !exists(path);
}

bool log_removal::remove_folder(const std::wstring& path) const
{
    if (!exists(path))
        return true;
    if (!PathIsDirectoryEmptyW(path.c_str()))
        return true; // holds kept data or the user's own files: stays, as it should
    RemoveDirectoryW(path.c_str());
    return !exists(path);
}

removal_outcome log_removal::run(const std::vector<UninstallLogEntry>& entries, const std::wstring& logFile,
                                 bool deleteLog) const
{
    removal_outcome outcome;
    const std::wstring mainProgram = main_program(entries);
    auto fail = [&](const std::wstring& what) { outcome.failed.push_back(what); };

    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        switch (e->kind) {
        case LogEntryKind::Registration:
            if (mainProgram.empty() || !unregister_(mainProgram))
                fail(e->path.empty() ? L"HKEY_CLASSES_ROOT\\..." : e->path);
            break;
        case LogEntryKind::RegistryKey:
            if (!delete_uninstall_key())
                fail(L"HKEY_LOCAL_MACHINE\\" + UninstallKeyPath());
            break;
        case LogEntryKind::Folder:
            break; // after everything else
        default: {
            if (e->path.empty() && is_link(e->kind))
                break; // a link that was never made
            std::wstring path = guard_.deletable(e->path);
            if (path.empty()) {
                fail(e->path);
            } else if (e->kind == LogEntryKind::File && e->fileKind == kKeptData) {
                if (exists(path))
                    outcome.kept.push_back(path);
            } else if (!remove_file(path)) {
                fail(path);
            }
            break;
        }
        }
    }
    if (deleteLog && !remove_file(logFile))
        fail(logFile);
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        if (e->kind != LogEntryKind::Folder)
            continue;
        std::wstring path = guard_.deletable(e->path);
        if (path.empty() || !remove_folder(path))
            fail(path.empty() ? e->path : path);
    }
    return outcome;
}

bool unregister_with_product(const std::wstring& mainProgram)
{
    std::wstring command = L"\"" + mainProgram + L"\" /Unregister";
    std::wstring folder = mainProgram.substr(0, mainProgram.find_last_of(L'\\'));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(mainProgram.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &info))
        return false;
    tw::scoped_handle process(info.hProcess), thread(info.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    return GetExitCodeProcess(process.get(), &code) && static_cast<int>(code) == kRegistrationExitCode;
}

bool delete_uninstall_key()
{
    DWORD result = SHDeleteKeyW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

} // namespace uninstall
