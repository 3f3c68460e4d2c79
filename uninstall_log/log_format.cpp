#include "uninstall_log/log_format.h"

#include <climits>
#include <cstdint>
#include <utility>

namespace tw::ulog {
namespace {

bool is_space(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

std::wstring trim_right(std::wstring s)
{
    size_t end = s.size();
    while (end > 0 && is_space(s[end - 1]))
        --end;
    s.resize(end);
    return s;
}

std::wstring trim_left(const std::wstring& s)
{
    size_t begin = 0;
    while (begin < s.size() && is_space(s[begin]))
        ++begin;
    return s.substr(begin);
}

std::wstring trim(const std::wstring& s)
{
    return trim_right(trim_left(s));
}

std::wstring padded(uint32_t value, unsigned base, size_t width)
{
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring out;
    do {
        out.insert(out.begin(), digits[value % base]);
        value /= base;
    } while (value);
    if (out.size() < width)
        out.insert(0, width - out.size(), L'0');
    return out;
}

// A decimal number the way the C library reads one: leading white space, a
// sign, digits; no digits reads as 0. Out-of-range values saturate.
long leading_decimal(const std::wstring& s)
{
    size_t i = 0;
    while (i < s.size() && is_space(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-'))
        negative = s[i++] == L'-';
    // Saturates at the limit before it is passed: where long is 64 bits wide
    // no wider type is left to overflow into.
    const unsigned long long limit = negative ? static_cast<unsigned long long>(LONG_MAX) + 1 : LONG_MAX;
    unsigned long long value = 0;
    for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i) {
        unsigned digit = static_cast<unsigned>(s[i] - L'0');
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    if (negative)
        return value == limit ? LONG_MIN : -static_cast<long>(value);
    return static_cast<long>(value);
}

// Cursor over one entry line; every read skips leading white space first.
class entry_scanner {
public:
    explicit entry_scanner(const std::wstring& s) : s_(s) {}

    bool decimal(int32_t& out)
    {
        skip();
        bool negative = false;
        if (i_ < s_.size() && (s_[i_] == L'+' || s_[i_] == L'-'))
            negative = s_[i_++] == L'-';
        size_t start = i_;
        int64_t value = 0;
        for (; i_ < s_.size() && s_[i_] >= L'0' && s_[i_] <= L'9'; ++i_) {
            value = value * 10 + (s_[i_] - L'0');
            if (value > INT32_MAX)
                return false;
        }
        if (i_ == start)
            return false;
        out = static_cast<int32_t>(negative ? -value : value);
        return true;
    }

    bool hexadecimal(uint32_t& out)
    {
        skip();
        size_t start = i_;
        uint64_t value = 0;
        for (; i_ < s_.size(); ++i_) {
            int digit = hex_digit(s_[i_]);
            if (digit < 0)
                break;
            value = value * 16 + static_cast<unsigned>(digit);
            if (value > UINT32_MAX)
                return false;
        }
        if (i_ == start)
            return false;
        out = static_cast<uint32_t>(value);
        return true;
    }

    bool literal(wchar_t c)
    {
        skip();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }

    bool character(wchar_t& c)
    {
        skip();
        if (i_ >= s_.size())
            return false;
        c = s_[i_++];
        return true;
    }

    std::wstring word()
    {
        skip();
        size_t start = i_;
        while (i_ < s_.size() && !is_space(s_[i_]))
            ++i_;
        return s_.substr(start, i_ - start);
    }

    std::wstring rest()
    {
        skip();
        return s_.substr(i_);
    }

private:
    static int hex_digit(wchar_t c)
    {
        if (c >= L'0' && c <= L'9')
            return c - L'0';
        if (c >= L'a' && c <= L'f')
            return c - L'a' + 10;
        if (c >= L'A' && c <= L'F')
            return c - L'A' + 10;
        return -1;
    }
    void skip()
    {
        while (i_ < s_.size() && is_space(s_[i_]))
            ++i_;
    }

    const std::wstring& s_;
    size_t i_ = 0;
};

// Removes `phrase` where it first occurs, or answers false when it does not.
bool remove_phrase(std::wstring& text, const wchar_t* phrase)
{
    std::wstring p(phrase);
    size_t at = text.find(p);
    if (at == std::wstring::npos)
        return false;
    text.erase(at, p.size());
    return true;
}

} // namespace

std::vector<std::wstring> header_lines(const std::wstring& productTitle, const std::wstring& previousTitle,
                                       const std::wstring& installPath, const std::wstring& shortcutPath)
{
    std::wstring install = L"// Install " + productTitle;
    if (!previousTitle.empty())
        install += L" -- Update (" + previousTitle + L")";
    std::wstring shortcut = L"// Shortcut Path : " + shortcutPath;
    return {
        L"// Uninstall Log File v1",
        L"// ############ WARNING: Do not delete or modify this file. ############",
        install,
        L"// Install Path : " + installPath,
        shortcut,
        L"// " + std::wstring(shortcut.size() - 3, L'-'),
    };
}

std::wstring entry_line(size_t number, const UninstallLogEntry& entry, const fixed_paths& fixed)
{
    uint32_t code = static_cast<uint32_t>(entry.kind) * 256u + (static_cast<uint32_t>(entry.fileKind) & 0xFFu);
    std::wstring line = padded(static_cast<uint32_t>(number), 10, 4) + L':' + padded(code, 16, 4) + L':' +
                        (entry.done ? L'1' : L'0') + L" -- ";
    switch (entry.kind) {
    case LogEntryKind::RegistryKey:
        return line + fixed.registryKey;
    case LogEntryKind::Registration:
        return line + fixed.registration;
    default:
        return line + entry.path;
    }
}

log_reader::log_reader(ansi_decoder decode_ansi, folder_query is_folder)
    : decode_ansi_(std::move(decode_ansi)), is_folder_(std::move(is_folder))
{
}

void log_reader::feed(const void* data, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size && !stopped_; ++i) {
        if (form_ == form::undecided) {
            first_[first_count_++] = bytes[i];
            if (first_count_ < 2)
                continue;
            if (first_[0] == 0xFF && first_[1] == 0xFE) {
                form_ = form::utf16; // the mark is not part of the text
            } else {
                form_ = form::ansi;
                take_byte(first_[0]);
                if (!stopped_)
                    take_byte(first_[1]);
            }
            continue;
        }
        take_byte(bytes[i]);
    }
}

void log_reader::finish()
{
    if (form_ == form::undecided) {
        form_ = form::ansi;
        for (size_t i = 0; i < first_count_ && !stopped_; ++i)
            take_byte(first_[i]);
    }
    // Half a code unit at the very end is no character.
    unterminated_ = have_low_ || !bytes_.empty();
    have_low_ = false;
    if (!stopped_ && !bytes_.empty())
        end_of_line();
}

void log_reader::take_byte(unsigned char byte)
{
    if (form_ == form::ansi) {
        bytes_.push_back(static_cast<char>(byte));
        if (bytes_.size() + 1 > kLineBufferBytes) { // no room for the NUL
            stopped_ = true;
            return;
        }
        if (byte == 0x0A)
            end_of_line();
        return;
    }
    if (!have_low_) {
        low_ = byte;
        have_low_ = true;
        return;
    }
    have_low_ = false;
    bytes_.push_back(static_cast<char>(low_));
    bytes_.push_back(static_cast<char>(byte));
    if (bytes_.size() + 2 > kLineBufferBytes) {
        stopped_ = true;
        return;
    }
    if (low_ == 0x0A && byte == 0)
        end_of_line();
}

void log_reader::end_of_line()
{
    std::wstring line;
    if (form_ == form::utf16) {
        line.reserve(bytes_.size() / 2);
        for (size_t i = 0; i + 1 < bytes_.size(); i += 2)
            line.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes_[i]) |
                                                (static_cast<unsigned char>(bytes_[i + 1]) << 8)));
    } else {
        line = decode_ansi_(bytes_.data(), bytes_.size());
    }
    bytes_.clear();
    handle_line(std::move(line));
}

void log_reader::handle_line(std::wstring line)
{
    line = trim_right(std::move(line));
    bool ok = line.compare(0, 2, L"//") == 0 ? header_line(line) : entry_line(line);
    ++counted_;
    if (!ok)
        stopped_ = true;
}

bool log_reader::header_line(const std::wstring& line)
{
    size_t slashes = line.find_first_not_of(L'/');
    std::wstring text = trim_left(slashes == std::wstring::npos ? std::wstring() : line.substr(slashes));
    switch (counted_) {
    case 0:
        if (!remove_phrase(text, L"Uninstall Log File v"))
            return false;
    {
        // Compared before narrowing: 4294967297 must not pass for 1.
        long version = leading_decimal(text);
        contents_.version = version > INT_MAX ? INT_MAX : version < INT_MIN ? INT_MIN : static_cast<int>(version);
        return version == 1;
    }
    case 2: {
        if (!remove_phrase(text, L"Install"))
            return false;
        size_t cut = text.find(L"--");
        if (cut != std::wstring::npos)
            text.resize(cut);
        contents_.previousTitle = trim(text);
        return true;
    }
    case 3:
    case 4: {
        bool install = counted_ == 3;
        if (!remove_phrase(text, install ? L"Install Path : " : L"Shortcut Path : "))
            return false;
        text = trim(text);
        if (is_folder_(text))
            (install ? contents_.installPath : contents_.shortcutPath) = text;
        return true;
    }
    default:
        return true;
    }
}

bool log_reader::entry_line(const std::wstring& line)
{
    if (contents_.version != 1)
        return false;
    entry_scanner scan(line);
    int32_t number = 0;
    uint32_t code = 0;
    wchar_t done = 0;
    if (!scan.decimal(number) || number < 0 || !scan.literal(L':') || !scan.hexadecimal(code))
        return false;
    uint32_t kind = code >> 8;
    if (kind > static_cast<uint32_t>(LogEntryKind::Registration))
        return false;
    if (!scan.literal(L':') || !scan.character(done) || (done != L'0' && done != L'1') || scan.word() != L"--")
        return false;
    UninstallLogEntry entry;
    entry.kind = static_cast<LogEntryKind>(kind);
    std::wstring path = scan.rest();
    if (entry.kind != LogEntryKind::RegistryKey && entry.kind != LogEntryKind::Registration)
        entry.path = std::move(path);
    entry.done = done == L'1';
    uint32_t fileKind = code & 0xFFu;
    entry.fileKind = fileKind == 0xFFu ? -1 : static_cast<int32_t>(fileKind);
    contents_.entries.push_back(std::move(entry));
    return true;
}

log_contents read_log_text(const void* data, size_t size, const log_reader::ansi_decoder& decode_ansi,
                           const log_reader::folder_query& is_folder)
{
    log_reader reader(decode_ansi, is_folder);
    reader.feed(data, size);
    reader.finish();
    return reader.contents();
}

} // namespace tw::ulog
