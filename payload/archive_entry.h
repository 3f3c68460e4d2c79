#pragma once
// One record of the payload's directory, and the byte layout of the header:
// header size (8), entry count (4), then per entry source length (4), source
// (UTF-16LE), destination length (4), destination (UTF-16LE), kind (4),
// size (8), crc (4). Little-endian, no padding.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace tw {

enum file_kind : uint32_t {
    kind_program_file = 0,
    kind_main_program = 1,
    kind_uninstaller = 2,
    kind_kept_data = 3,
    kind_content = 4,
    kind_special = 5,
};

struct archive_entry {
    std::wstring source;      // build-time path; its last element is the installed name
    std::wstring destination; // folder template; after parsing, the full file path
    uint32_t kind = kind_program_file;
    uint64_t size = 0;
    uint32_t crc = 0;

    friend bool operator==(const archive_entry&, const archive_entry&) = default;
};

constexpr uint64_t header_fixed_size = 12;
constexpr uint64_t record_fixed_size = 24;

// Bytes the record of `e` occupies.
uint64_t record_size(const archive_entry& e);
// 12 plus every record: the header size of a directory.
uint64_t header_size(const std::vector<archive_entry>& entries);

// The last element of a Windows-form path (both separators; a drive prefix
// is not part of it; a trailing separator gives ".").
std::wstring last_element(const std::wstring& path);
// A name that can be installed into its folder: not empty, ".", "..", and
// without a colon or control character.
bool is_installable_name(const std::wstring& name);

void write_header(std::ostream& out, const std::vector<archive_entry>& entries);

// Reads a complete header held in `in` of `size` bytes (positioned after the
// 8-byte size field). Every count and length is checked against what is left
// of the header before anything is allocated; the records must end exactly
// at `size`; names must be installable. Throws "unexpected error".
std::vector<archive_entry> read_directory(std::istream& in, uint64_t size);

} // namespace tw
