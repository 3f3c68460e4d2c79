#include "winhelpers/folder_paths.h"

#include <shlwapi.h>
#include <strsafe.h>

#include <vector>

namespace tw {
namespace {

std::vector<std::wstring> components(const std::wstring& path)
{
    std::vector<std::wstring> parts;
    size_t begin = 0;
    while (begin <= path.size()) {
        size_t end = path.find(L'\\', begin);
        if (end == std::wstring::npos)
            end = path.size();
        if (end > begin)
            parts.push_back(path.substr(begin, end - begin));
        begin = end + 1;
    }
    return parts;
}

std::wstring joined(const std::vector<std::wstring>& parts, size_t first, size_t last)
{
    std::wstring path;
    for (size_t i = first; i < last; ++i) {
        if (!path.empty())
            path += L'\\';
        path += parts[i];
    }
    return path;
}

} // namespace

HRESULT copy_to_path_buffer(wchar_t (&buffer)[MAX_PATH], std::wstring_view source)
{
    constexpr size_t room = MAX_PATH - 1;
    size_t n = source.size() < room ? source.size() : room;
    source.copy(buffer, n);
    buffer[n] = L'\0';
    return source.size() > room ? STRSAFE_E_INSUFFICIENT_BUFFER : S_OK;
}

bool is_valid_path_text(const std::wstring& text)
{
    for (const wchar_t* p = text.c_str(); *p; p = CharNextW(p)) {
        UINT type = PathGetCharTypeW(*p);
        if (type == GCT_INVALID || (type & GCT_WILD))
            return false;
    }
    return true;
}

size_t subfolder_depth(const std::wstring& path, const std::wstring& subfolder)
{
    std::vector<std::wstring> have = components(path);
    std::vector<std::wstring> want = components(subfolder);
    if (want.empty() || have.size() <= want.size())
        return 0;
    for (size_t i = 1; i <= want.size(); ++i)
        if (lstrcmpiW(have[have.size() - i].c_str(), want[want.size() - i].c_str()) != 0)
            return 0;
    return want.size();
}

std::wstring append_subfolder(const std::wstring& path, const std::wstring& subfolder)
{
    if (subfolder.empty() || subfolder_depth(path, subfolder) > 0)
        return path;
    // The longest leading part of the subfolder that the path already ends
    // with is not appended again.
    std::vector<std::wstring> parts = components(subfolder);
    size_t skip = 0;
    for (size_t keep = parts.size(); keep-- > 1;) {
        size_t depth = subfolder_depth(path, joined(parts, 0, keep));
        if (depth > 0) {
            skip = depth;
            break;
        }
    }
    wchar_t buffer[MAX_PATH];
    wchar_t rest[MAX_PATH];
    if (FAILED(copy_to_path_buffer(buffer, path)) || FAILED(copy_to_path_buffer(rest, joined(parts, skip, parts.size()))))
        return path;
    if (!PathAppendW(buffer, rest))
        return path;
    return buffer;
}

std::wstring folder_without_subfolder(const std::wstring& path, const std::wstring& subfolder)
{
    size_t depth = subfolder.empty() ? 0 : subfolder_depth(path, subfolder);
    if (depth == 0)
        return path;
    wchar_t buffer[MAX_PATH];
    if (FAILED(copy_to_path_buffer(buffer, path)))
        return path;
    PathRemoveBackslashW(buffer);
    for (size_t i = 0; i < depth; ++i)
        PathRemoveFileSpecW(buffer);
    return buffer;
}

std::optional<std::wstring> relative_path(const std::wstring& folder, const std::wstring& path)
{
    wchar_t relative[MAX_PATH] = {};
    if (!PathRelativePathToW(relative, folder.c_str(), FILE_ATTRIBUTE_DIRECTORY, path.c_str(),
                             FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return relative;
}

std::optional<std::wstring> canonical_path(const std::wstring& path)
{
    wchar_t canonical[MAX_PATH] = {};
    if (path.size() >= MAX_PATH || !PathCanonicalizeW(canonical, path.c_str()))
        return std::nullopt;
    return canonical;
}

std::wstring relative_folder_text(const std::wstring& parent, const std::wstring& path)
{
    if (parent.empty())
        return path;
    std::optional<std::wstring> relative = relative_path(parent, path);
    if (!relative)
        return path;
    if (*relative == L".")
        return {};
    return canonical_path(*relative).value_or(path);
}

} // namespace tw
