#pragma once
// The version resource of an executable: the installed product's (compared
// with the version this installer carries) and the installer's own (About box).
#include <cstdint>
#include <string>

namespace tw {

struct file_version_info {
    enum : uint32_t {
        want_title = 0x01,
        want_product_name = 0x02,
        want_product_version = 0x04,
        want_file_description = 0x08,
        want_legal_copyright = 0x10,
        want_file_version = 0x20,
        want_file_flags = 0x40,
        want_everything = 0xFFFFFFFFu,
    };

    uint32_t request = 0;
    uint64_t file_version = 0;  // major, minor, build, revision from the top down
    uint32_t file_flags = 0;    // dwFileFlags & dwFileFlagsMask
    std::wstring title;         // product name, product version, build suffixes
    std::wstring product_name;
    std::wstring product_version;
    std::wstring file_description;
    std::wstring legal_copyright;
};

// Fills the requested items of `info` from the version resource of `path`
// (null: the running executable). True when every requested item was found;
// the items found are filled in either way.
bool read_version_info(file_version_info& info, const wchar_t* path);

} // namespace tw
