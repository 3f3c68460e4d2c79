#include "demo/temporary_copy.h"

#include "winhelpers/scoped_handle.h"

#include <shellapi.h>

#include <cwchar>
#include <cwctype>

namespace uninstall {

namespace {

constexpr const wchar_t* kFinishFlag = L"/Finish";

std::wstring module_path()
{
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return n && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

std::wstring temp_folder()
{
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    std::wstring folder(temp, n);
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

std::wstring folder_of(const std::wstring& path)
{
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool same_text(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// A fresh folder "tarnwick_uninstall_<process>_<n>" in the temporary folder.
std::wstring make_copy_folder(DWORD& error)
{
    std::wstring base = temp_folder() + L"\\" + kCopyFolderPrefix + std::to_wstring(GetCurrentProcessId()) + L"_";
    for (unsigned n = 0; n < 100; ++n) {
        std::wstring folder = base + std::to_wstring(n);
        if (CreateDirectoryW(folder.c_str(), nullptr))
            return folder;
        error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS)
            return {};
    }
    return {};
}

} // namespace

DWORD start_temporary_copy()
{
    const std::wstring original = module_path();
    if (original.empty())
        return GetLastError();
    DWORD error = ERROR_SUCCESS;
    const std::wstring folder = make_copy_folder(error);
    if (folder.empty())
        return error;
    const std::wstring copy = folder + original.substr(original.find_last_of(L'\\'));
    // The installed program is read-only; so would its copy be.
    if (!CopyFileW(original.c_str(), copy.c_str(), FALSE) ||
        !SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL)) {
        error = GetLastError();
        DeleteFileW(copy.c_str());
        RemoveDirectoryW(folder.c_str());
        return error;
    }
    tw::scoped_handle self;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), self.receive(), SYNCHRONIZE,
                         TRUE, 0)) {
        error = GetLastError();
    } else {
        std::wstring command = L"\"" + copy + L"\" " + kFinishFlag + L" " +
                               std::to_wstring(reinterpret_cast<ULONG_PTR>(self.get())) + L" \"" + original + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        // The copy's working folder is its own, never the installation folder.
        if (CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                           &info)) {
            CloseHandle(info.hThread);
            CloseHandle(info.hProcess);
            return ERROR_SUCCESS;
        }
        error = GetLastError();
    }
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(folder.c_str());
    return error;
}

std::optional<finish_request> parse_finish_request(const wchar_t* commandLine)
{
    if (!commandLine || !*commandLine)
        return std::nullopt;
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(commandLine, &count);
    if (!args)
        return std::nullopt;
    std::optional<finish_request> request;
    // CommandLineToArgvW reads the program name first only when the line has one:
    // the arguments are the last three.
    if (count >= 3 && same_text(args[count - 3], kFinishFlag)) {
        wchar_t* end = nullptr;
        unsigned long long handle = wcstoull(args[count - 2], &end, 10);
        if (end && *end == L'\0' && args[count - 1][0]) {
            request.emplace();
            request->original = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(handle));
            request->originalPath = args[count - 1];
        }
    }
    LocalFree(args);
    return request;
}

bool running_as_temporary_copy()
{
    const std::wstring folder = folder_of(module_path());
    const std::wstring expected = temp_folder() + L"\\" + kCopyFolderPrefix;
    return folder.size() > expected.size() && same_text(folder.substr(0, expected.size()), expected) &&
           folder.find(L'\\', expected.size()) == std::wstring::npos;
}

bool schedule_removal_of_temporary_copy()
{
    if (!running_as_temporary_copy())
        return true;
    const std::wstring self = module_path();
    // In this order: the folder is removed at restart only when it is empty.
    return MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) &&
           MoveFileExW(folder_of(self).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

} // namespace uninstall
