#include "uninstall_log/uninstall_log.h"

#include "app/product.h"
#include "uninstall_log/log_format.h"
#include "winhelpers/path_queries.h"
#include "winhelpers/scoped_handle.h"

#include <shlwapi.h>

namespace {

constexpr DWORD kLogAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool write_all(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

bool write_line(HANDLE file, const std::wstring& line)
{
    std::wstring text = line + L"\r\n";
    return write_all(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

std::wstring decode_ansi(const char* bytes, size_t size)
{
    if (size == 0)
        return {};
    int n = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), out.data(), n);
    return out;
}

bool is_folder(const std::wstring& path)
{
    return !path.empty() && PathIsDirectoryW(path.c_str()) != FALSE;
}

} // namespace

std::wstring UninstallLogRegistryKeyText()
{
    return L"HKEY_LOCAL_MACHINE\\" + UninstallKeyPath();
}

std::wstring UninstallLogRegistrationText()
{
    return L"HKEY_CLASSES_ROOT\\...";
}

void CUninstallLog::Read(const wchar_t* logPath)
{
    installPath.clear();
    shortcutPath.clear();
    readToEnd = false;
    if (!logPath)
        return;
    tw::scoped_handle file(CreateFileW(logPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return;

    tw::ulog::log_reader reader(decode_ansi, is_folder);
    char chunk[4096];
    bool complete = false;
    while (!reader.stopped()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr))
            break; // the partial line is dropped
        if (got == 0) {
            complete = true;
            break;
        }
        reader.feed(chunk, got);
    }
    if (complete)
        reader.finish();
    readToEnd = complete && !reader.stopped() && !reader.unterminated();

    tw::ulog::log_contents& read = reader.contents();
    installPath = std::move(read.installPath);
    shortcutPath = std::move(read.shortcutPath);
    previousTitle = std::move(read.previousTitle);
    for (UninstallLogEntry& entry : read.entries)
        previousEntries.push_back(std::move(entry));
}

void CUninstallLog::MergePrevious()
{
    for (auto previous = previousEntries.rbegin(); previous != previousEntries.rend(); ++previous) {
        bool duplicate = false;
        for (const UninstallLogEntry& current : currentEntries) {
            if (current.kind != previous->kind)
                continue;
            bool named = current.kind == LogEntryKind::Folder || current.kind == LogEntryKind::File;
            if (!named || tw::same_path(current.path, previous->path)) {
                duplicate = true;
                break;
            }
        }
        if (!duplicate)
            currentEntries.insert(currentEntries.begin(), std::move(*previous));
    }
    previousEntries.clear();
}

void CUninstallLog::DeleteBackups()
{
    for (UninstallLogEntry& entry : currentEntries) {
        if (entry.backup.empty())
            continue;
        SetFileAttributesW(entry.backup.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(entry.backup.c_str());
        entry.backup.clear();
    }
}

bool CUninstallLog::Write(const wchar_t* logPath, const std::wstring& installFolder,
                          const std::wstring& shortcutFolder)
{
    MergePrevious();

    bool ok = false;
    if (logPath) {
        SetFileAttributesW(logPath, FILE_ATTRIBUTE_NORMAL);
        tw::scoped_handle file(
            CreateFileW(logPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.valid()) {
            ok = true;
            const unsigned char bom[2] = {0xFF, 0xFE};
            ok &= write_all(file.get(), bom, sizeof(bom));
            for (const std::wstring& line :
                 tw::ulog::header_lines(ProductNameWithVersion(), previousTitle, installFolder, shortcutFolder))
                ok &= write_line(file.get(), line);
            const tw::ulog::fixed_paths fixed{UninstallLogRegistryKeyText(), UninstallLogRegistrationText()};
            for (size_t i = 0; i < currentEntries.size(); ++i) {
                UninstallLogEntry& entry = currentEntries[i];
                if (entry.kind == LogEntryKind::RegistryKey)
                    entry.path = fixed.registryKey;
                else if (entry.kind == LogEntryKind::Registration)
                    entry.path = fixed.registration;
                ok &= write_line(file.get(), tw::ulog::entry_line(i, entry, fixed));
            }
            ok &= file.close();
            SetFileAttributesW(logPath, kLogAttributes);
        }
    }
    DeleteBackups();
    return ok;
}
