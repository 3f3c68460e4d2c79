#include "payload/archive_entry.h"

#include "payload/compress_error.h"
#include "payload/text_encoding.h"

#include <istream>
#include <ostream>

namespace tw {
namespace {

void put_le(std::ostream& out, uint64_t value, int bytes)
{
    char buf[8];
    for (int i = 0; i < bytes; ++i)
        buf[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    out.write(buf, bytes);
}

uint64_t get_le(std::istream& in, int bytes)
{
    unsigned char buf[8];
    if (!in.read(reinterpret_cast<char*>(buf), bytes))
        throw_compress_error(compress_errc::unexpected_error);
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | buf[i];
    return value;
}

void put_string(std::ostream& out, const std::wstring& text)
{
    std::u16string units = to_utf16(text);
    put_le(out, units.size(), 4);
    for (char16_t u : units)
        put_le(out, u, 2);
}

// `left` is what remains of the header; the string must fit in it with the
// rest of its record (`after` bytes) still to come.
std::wstring get_string(std::istream& in, uint64_t& left, uint64_t after)
{
    if (left < 4)
        throw_compress_error(compress_errc::unexpected_error);
    left -= 4;
    uint64_t units = get_le(in, 4);
    if (units * 2 > left || left - units * 2 < after)
        throw_compress_error(compress_errc::unexpected_error);
    left -= units * 2;
    std::u16string text(static_cast<std::size_t>(units), u'\0');
    for (char16_t& u : text)
        u = static_cast<char16_t>(get_le(in, 2));
    return from_utf16(text);
}

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool is_drive_letter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

} // namespace

uint64_t record_size(const archive_entry& e)
{
    return record_fixed_size + 2 * (utf16_length(e.source) + utf16_length(e.destination));
}

uint64_t header_size(const std::vector<archive_entry>& entries)
{
    uint64_t size = header_fixed_size;
    for (const archive_entry& e : entries)
        size += record_size(e);
    return size;
}

std::wstring last_element(const std::wstring& path)
{
    std::size_t start = 0;
    if (path.size() >= 2 && path[1] == L':' && is_drive_letter(path[0]))
        start = 2;
    if (path.size() > start && is_separator(path.back()))
        return L".";
    std::size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos || cut < start)
        return path.substr(start);
    return path.substr(cut + 1);
}

bool is_installable_name(const std::wstring& name)
{
    if (name.empty() || name == L"." || name == L"..")
        return false;
    for (wchar_t c : name)
        if (c == L':' || static_cast<uint32_t>(c) < 0x20 || c == 0x7F)
            return false;
    return true;
}

void write_header(std::ostream& out, const std::vector<archive_entry>& entries)
{
    put_le(out, header_size(entries), 8);
    put_le(out, entries.size(), 4);
    for (const archive_entry& e : entries) {
        put_string(out, e.source);
        put_string(out, e.destination);
        put_le(out, e.kind, 4);
        put_le(out, e.size, 8);
        put_le(out, e.crc, 4);
    }
}

std::vector<archive_entry> read_directory(std::istream& in, uint64_t size)
{
    if (size < header_fixed_size)
        throw_compress_error(compress_errc::unexpected_error);
    uint64_t left = size - header_fixed_size;
    uint64_t count = get_le(in, 4);
    if (count > left / record_fixed_size)
        throw_compress_error(compress_errc::unexpected_error);
    std::vector<archive_entry> entries(static_cast<std::size_t>(count));
    for (archive_entry& e : entries) {
        // source length and text, then destination length, kind, size, crc.
        e.source = get_string(in, left, 20);
        e.destination = get_string(in, left, 16);
        e.kind = static_cast<uint32_t>(get_le(in, 4));
        e.size = get_le(in, 8);
        e.crc = static_cast<uint32_t>(get_le(in, 4));
        left -= 16;
        if (!is_installable_name(last_element(e.source)))
            throw_compress_error(compress_errc::unexpected_error);
    }
    if (left != 0)
        throw_compress_error(compress_errc::unexpected_error);
    return entries;
}

} // namespace tw
