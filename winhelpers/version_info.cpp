#include "winhelpers/version_info.h"

#include "winhelpers/system_library.h"

#include <windows.h>

#include <cwchar>
#include <vector>

namespace tw {
namespace {

// version.dll, bound from the system folder at first use: a DLL of that name
// planted beside the installer is never loaded.
struct version_functions {
    decltype(&GetFileVersionInfoSizeW) size = nullptr;
    decltype(&GetFileVersionInfoW) read = nullptr;
    decltype(&VerQueryValueW) query = nullptr;
    bool bound = false;
};

template <typename F> F export_of(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const version_functions& functions()
{
    static const version_functions f = [] {
        version_functions v;
        HMODULE module = load_system_library(L"version.dll");
        if (!module)
            return v;
        v.size = export_of<decltype(&GetFileVersionInfoSizeW)>(module, "GetFileVersionInfoSizeW");
        v.read = export_of<decltype(&GetFileVersionInfoW)>(module, "GetFileVersionInfoW");
        v.query = export_of<decltype(&VerQueryValueW)>(module, "VerQueryValueW");
        v.bound = v.size && v.read && v.query;
        return v;
    }();
    return f;
}

// A string value of the chosen translation, copied up to its terminating zero.
bool query_string(const version_functions& f, void* block, const std::wstring& table, const wchar_t* name,
                  std::wstring& out)
{
    std::wstring path = table + name;
    void* value = nullptr;
    UINT length = 0;
    if (!f.query(block, path.c_str(), &value, &length) || !value)
        return false;
    const auto* text = static_cast<const wchar_t*>(value);
    out.assign(text, wcsnlen(text, length));
    return true;
}

} // namespace

bool read_version_info(file_version_info& info, const wchar_t* path)
{
    wchar_t file[MAX_PATH] = {};
    if (path) {
        wcsncpy(file, path, MAX_PATH - 1);
    } else if (GetModuleFileNameW(nullptr, file, MAX_PATH) == 0) {
        file[0] = 0;
    }
    file[MAX_PATH - 1] = 0;

    const uint32_t want = info.request;
    info.file_version = 0;
    if (want & file_version_info::want_title)
        info.title.clear();
    if (want & file_version_info::want_product_name)
        info.product_name.clear();
    if (want & file_version_info::want_product_version)
        info.product_version.clear();
    if (want & file_version_info::want_file_description)
        info.file_description.clear();
    if (want & file_version_info::want_legal_copyright)
        info.legal_copyright.clear();

    const version_functions& f = functions();
    if (!f.bound)
        return false;
    DWORD handle = 0;
    DWORD size = f.size(file, &handle);
    if (size == 0)
        return false;
    std::vector<unsigned char> block;
    try {
        block.resize(size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!f.read(file, 0, size, block.data()))
        return false;

    struct translation {
        WORD language;
        WORD code_page;
    };
    void* value = nullptr;
    UINT length = 0;
    if (!f.query(block.data(), L"\\VarFileInfo\\Translation", &value, &length) || !value ||
        length < sizeof(translation))
        return false;
    const auto* first = static_cast<const translation*>(value);
    wchar_t key[16] = {};
    swprintf(key, 16, L"%04hX%04hX", first->language, first->code_page);
    const std::wstring table = std::wstring(L"\\StringFileInfo\\") + key + L"\\";

    bool answer = true;
    if (want & (file_version_info::want_title | file_version_info::want_product_name)) {
        std::wstring name;
        if (query_string(f, block.data(), table, L"ProductName", name)) {
            if (want & file_version_info::want_title)
                info.title = name;
            if (want & file_version_info::want_product_name)
                info.product_name = name;
        } else {
            answer = false;
        }
    }
    if (want & (file_version_info::want_title | file_version_info::want_product_version)) {
        std::wstring version;
        if (query_string(f, block.data(), table, L"ProductVersion", version)) {
            if (want & file_version_info::want_title)
                info.title += L" " + version;
            if (want & file_version_info::want_product_version)
                info.product_version = version;
        } else {
            answer = false;
        }
    }
    if (want & (file_version_info::want_title | file_version_info::want_file_version |
                file_version_info::want_file_flags)) {
        value = nullptr;
        length = 0;
        if (f.query(block.data(), L"\\", &value, &length) && value && length >= sizeof(VS_FIXEDFILEINFO)) {
            const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
            if (want & file_version_info::want_file_version)
                info.file_version = (static_cast<uint64_t>(fixed->dwFileVersionMS) << 32) | fixed->dwFileVersionLS;
            uint32_t flags = fixed->dwFileFlags & fixed->dwFileFlagsMask;
            if (want & file_version_info::want_file_flags)
                info.file_flags = flags;
            if (want & file_version_info::want_title) {
                if (flags & VS_FF_PRIVATEBUILD)
                    info.title += L" \u2013 Private";
                if (flags & VS_FF_DEBUG)
                    info.title += L" \u2013 Debug";
            }
        } else {
            answer = false;
        }
    }
    if ((want & file_version_info::want_file_description) &&
        !query_string(f, block.data(), table, L"FileDescription", info.file_description))
        answer = false;
    if ((want & file_version_info::want_legal_copyright) &&
        !query_string(f, block.data(), table, L"LegalCopyright", info.legal_copyright))
        answer = false;
    return answer;
}

} // namespace tw
