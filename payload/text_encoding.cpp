#include "payload/text_encoding.h"

#include <stdexcept>

namespace tw {
namespace {

// The code points of a wide string (pairs combined on Windows).
template <class F>
void for_each_code_point(const std::wstring& text, F f)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            c &= 0xFFFF;
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
                char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
                if (low >= 0xDC00 && low < 0xE000) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        f(c);
    }
}

void append_code_point(std::wstring& out, char32_t c)
{
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

} // namespace

std::u16string to_utf16(const std::wstring& text)
{
    std::u16string out;
    out.reserve(text.size());
    for_each_code_point(text, [&](char32_t c) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    });
    return out;
}

std::wstring from_utf16(const std::u16string& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        append_code_point(out, c);
    }
    return out;
}

std::size_t utf16_length(const std::wstring& text)
{
    std::size_t n = 0;
    for_each_code_point(text, [&](char32_t c) { n += c >= 0x10000 ? 2 : 1; });
    return n;
}

std::wstring from_utf8(const std::string& text)
{
    std::wstring out;
    std::size_t i = 0;
    auto bad = [] { throw std::invalid_argument("not UTF-8"); };
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t c = 0;
        if (b < 0x80) { c = b; extra = 0; }
        else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; extra = 1; }
        else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; extra = 2; }
        else if ((b & 0xF8) == 0xF0) { c = b & 0x07; extra = 3; }
        else bad();
        if (extra && i + extra >= text.size())
            bad();
        for (int k = 1; k <= extra; ++k) {
            unsigned char cont = static_cast<unsigned char>(text[i + k]);
            if ((cont & 0xC0) != 0x80)
                bad();
            c = (c << 6) | (cont & 0x3F);
        }
        static const char32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (c < least[extra] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
            bad();
        append_code_point(out, c);
        i += extra + 1;
    }
    return out;
}

std::string to_utf8(const std::wstring& text)
{
    std::string out;
    for_each_code_point(text, [&](char32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    });
    return out;
}

boost::filesystem::path native_path(const std::wstring& windows_path)
{
#ifdef _WIN32
    return boost::filesystem::path(windows_path);
#else
    std::string p = to_utf8(windows_path);
    for (char& c : p)
        if (c == '\\')
            c = '/';
    return boost::filesystem::path(p);
#endif
}

} // namespace tw
