#include "winhelpers/error_text.h"

#include "app/language.h"

namespace tw {
namespace {

constexpr uint32_t customer_bit = 0x20000000;
constexpr uint32_t resource_text_bit = 0x08000000;

bool system_text(uint32_t code, LANGID language, std::wstring& text)
{
    wchar_t* buffer = nullptr;
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    DWORD n = FormatMessageW(flags, nullptr, code, language, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    if (!n && GetLastError() == ERROR_RESOURCE_LANG_NOT_FOUND)
        n = FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    if (!buffer)
        return false;
    text.assign(buffer, n);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    return n != 0;
}

} // namespace

std::wstring error_text(uint32_t code, LANGID language)
{
    std::wstring text;
    if (system_text(code, language, text))
        return text;
    if (code == static_cast<uint32_t>(E_FAIL))
        return L"Error";
    return error_text(static_cast<uint32_t>(E_FAIL), language);
}

std::wstring reported_error_text(uint32_t code)
{
    if (code & customer_bit) {
        if (code & resource_text_bit) {
            std::wstring text = load_resource_string(code & 0xFFFF);
            if (!text.empty())
                return text;
        }
        return error_text(static_cast<uint32_t>(E_FAIL), 0);
    }
    return error_text(code, 0);
}

} // namespace tw
