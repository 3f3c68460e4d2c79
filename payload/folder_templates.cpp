#include "payload/folder_templates.h"

#include "payload/compress_error.h"

#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>

#include "winhelpers/owner_window.h"
#endif

namespace tw {
namespace {

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }
bool is_drive_letter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

std::wstring system_shell_folder(int csidl)
{
#ifdef _WIN32
    // Judged by its output only: some systems answer an error with a path,
    // others success with none.
    wchar_t buffer[MAX_PATH] = {};
    SHGetFolderPathW(owner_window(), csidl, nullptr, 0, buffer);
    return buffer;
#else
    (void)csidl;
    return {};
#endif
}

shell_folder_source& current_source()
{
    static shell_folder_source source = system_shell_folder;
    return source;
}

// Both a root name and a root directory: "C:\x", "\\server\share\x".
bool is_absolute(const std::wstring& p)
{
    if (p.size() >= 3 && is_drive_letter(p[0]) && p[1] == L':' && is_separator(p[2]))
        return true;
    if (p.size() >= 4 && is_separator(p[0]) && is_separator(p[1]) && !is_separator(p[2])) {
        std::size_t end = 2;
        while (end < p.size() && !is_separator(p[end]))
            ++end;
        return end < p.size();
    }
#ifndef _WIN32
    // Natively the folders the shell-folder source gives are rooted at "/".
    if (!p.empty() && p[0] == L'/')
        return true;
#endif
    return false;
}

std::wstring common_desktop() { return shell_folder_path(folder_common_desktop_directory, folder_desktop_directory); }

std::wstring sample_folder(const std::wstring& sample_path)
{
    if (sample_path.empty())
        return common_desktop();
    if (is_absolute(sample_path))
        return sample_path;
    return join_path(common_desktop(), sample_path);
}

struct placeholder {
    const wchar_t* name;
    int csidl;    // 0: not a shell folder
    int fallback; // 0: none
};

// In lookup order; <InstallPath>, <SamplePath> and <Temporary> come from the
// target folders.
const placeholder placeholders[] = {
    {L"<InstallPath>", 0, 0},
    {L"<SamplePath>", 0, 0},
    {L"<ProgramFiles>", folder_program_files, 0},
    {L"<ProgramCommon>", folder_program_files_common, 0},
    {L"<CommonData>", folder_common_appdata, folder_appdata},
    {L"<UserData>", folder_appdata, 0},
    {L"<CommonDocuments>", folder_common_documents, folder_personal},
    {L"<Documents>", folder_personal, 0},
    {L"<CommonDesktop>", folder_common_desktop_directory, folder_desktop_directory},
    {L"<Desktop>", folder_desktop_directory, 0},
    {L"<WinDir>", folder_windows, 0},
    {L"<System>", folder_system, 0},
    {L"<Temporary>", 0, 0},
};

const placeholder* find_placeholder(const std::wstring& element)
{
    for (const placeholder& p : placeholders)
        if (element == p.name)
            return &p;
    return nullptr;
}

bool looks_like_placeholder(const std::wstring& element)
{
    return !element.empty() && element.front() == L'<' && element.back() == L'>';
}

std::wstring base_folder(const target_folders& folders, const std::wstring& element)
{
    const placeholder* p = find_placeholder(element);
    if (!p)
        return {};
    std::wstring name = p->name;
    if (name == L"<InstallPath>")
        return folders.install_path;
    if (name == L"<SamplePath>")
        return sample_folder(folders.sample_path);
    if (name == L"<Temporary>")
        return folders.temporary_path.empty() ? folders.install_path : folders.temporary_path;
    return p->fallback ? shell_folder_path(p->csidl, p->fallback) : shell_folder_path(p->csidl);
}

} // namespace

shell_folder_source set_shell_folder_source(shell_folder_source source)
{
    if (!source)
        source = system_shell_folder;
    return std::exchange(current_source(), std::move(source));
}

std::wstring shell_folder_path(int csidl, std::optional<int> fallback)
{
    std::wstring path = current_source()(csidl);
    if (path.empty() && fallback)
        path = current_source()(*fallback);
    if (path.empty())
        throw_compress_error(compress_errc::unexpected_error);
    return path;
}

std::wstring join_path(const std::wstring& base, const std::wstring& element)
{
    if (base.empty())
        return element;
    if (is_separator(base.back()) || base.back() == L':' || (!element.empty() && is_separator(element.front())))
        return base + element;
    return base + L'\\' + element;
}

std::wstring resolve_folder_template(const target_folders& folders, const std::wstring& folder_template)
{
    if (folder_template.empty() || is_separator(folder_template.front()))
        return folder_template;
    std::vector<std::wstring> elements = template_elements(folder_template);
    if (!looks_like_placeholder(elements.front()))
        return folder_template;
    std::wstring result = base_folder(folders, elements.front());
    for (std::size_t i = 1; i < elements.size(); ++i)
        result = join_path(result, elements[i]);
    return result;
}

std::vector<std::wstring> template_elements(const std::wstring& text)
{
    std::vector<std::wstring> elements;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = i;
        while (end < text.size() && !is_separator(text[end]))
            ++end;
        elements.push_back(text.substr(i, end - i));
        while (end < text.size() && is_separator(text[end]))
            ++end;
        if (end == text.size() && end > 0 && is_separator(text.back()))
            elements.push_back(L".");
        i = end;
    }
    return elements;
}

bool is_placeholder(const std::wstring& element) { return find_placeholder(element) != nullptr; }

std::vector<std::wstring> placeholder_names()
{
    std::vector<std::wstring> names;
    for (const placeholder& p : placeholders)
        names.push_back(p.name);
    return names;
}

} // namespace tw
