#include "app/language.h"

#include "resources/text_ids.h"

#include <clocale>
#include <locale>
#include <stdexcept>
#include <vector>

namespace tw {
namespace {

struct language_row {
    WORD primary;       // primary language detected
    LANGID langid;
    int text_offset;    // added to a French identifier
    int flag_icon;
};

// Index order; the string blocks themselves follow another order, linked only
// by the offsets.
constexpr language_row rows[language_count] = {
    {0x0C, 1036, IDS_BLOCK_FRENCH, 144},
    {0x09, 1033, IDS_BLOCK_ENGLISH, 145},
    {0x07, 1031, IDS_BLOCK_GERMAN, 141},
    {0x0A, 3082, IDS_BLOCK_SPANISH, 143},
    {0x16, 2070, IDS_BLOCK_PORTUGUESE, 148},
    {0x13, 1043, IDS_BLOCK_DUTCH, 147},
    {0x06, 1030, IDS_BLOCK_DANISH, 142},
    {0x1F, 1055, IDS_BLOCK_TURKISH, 149},
    {0x02, 1026, IDS_BLOCK_BULGARIAN, 150},
    {0x18, 1048, IDS_BLOCK_ROMANIAN, 151},
    {0x04, 2052, IDS_BLOCK_CHINESE, 152},
    {0x10, 1040, IDS_BLOCK_ITALIAN, 146},
    {0x05, 1029, IDS_BLOCK_CZECH, 153},
    {0x14, 1044, IDS_BLOCK_NORWEGIAN, 154},
    {0x08, 1032, IDS_BLOCK_GREEK, 155},
    {0x15, 1045, IDS_BLOCK_POLISH, 156},
    {0x0D, 1037, IDS_BLOCK_HEBREW, 157},
};

bool in_table(int index)
{
    return index >= 0 && index < language_count;
}

// The user's own locale when it is of the same language, else the language's
// default-sort locale.
LCID locale_of(int index)
{
    LCID user = GetUserDefaultLCID();
    LANGID id = language_id(index);
    return LANGIDFROMLCID(user) == id ? user : MAKELCID(id, SORT_DEFAULT);
}

void apply_runtime_locale(int index)
{
    try {
        std::string name = locale_name(index);
        std::locale named;
        try {
            named = std::locale(name.c_str());
        } catch (const std::runtime_error&) {
            // mingw's runtime creates no named locale at all: the user's default,
            // and failing that, the current global locale.
            try {
                named = std::locale("");
            } catch (const std::runtime_error&) {
                named = std::locale();
            }
        }
        std::locale mixed = std::locale::classic()
                                .combine<std::collate<char>>(named)
                                .combine<std::collate<wchar_t>>(named)
                                .combine<std::ctype<char>>(named)
                                .combine<std::ctype<wchar_t>>(named);
        std::locale::global(mixed);
        setlocale(LC_ALL, "C");
        setlocale(LC_CTYPE, name.c_str());
        setlocale(LC_COLLATE, name.c_str());
    } catch (const std::exception&) {
        // What was set before the failure stays.
    }
}

struct language_state {
    uint32_t mask = 0x1;
    int current = 0;
    LCID locale = 0;
    UINT code_page = 1252;
    HMODULE module = nullptr;

    language_state()
    {
        locale = locale_of(0);
        _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
        apply_runtime_locale(0);
        // The only place that sets the thread locale.
        SetThreadLocale(locale);
    }
};

language_state& state()
{
    static language_state s;
    return s;
}

} // namespace

UINT set_language(int index)
{
    language_state& s = state();
    if (index != s.current)
        apply_runtime_locale(index);
    s.current = index;
    s.locale = locale_of(index);
    DWORD cp = 0;
    if (GetLocaleInfoW(s.locale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&cp), sizeof(cp) / sizeof(wchar_t)) == 0 ||
        cp == 0)
        cp = GetACP();
    s.code_page = cp;
    s.module = nullptr;
    return cp;
}

int current_language()
{
    return state().current;
}

int detect_language(uint32_t mask)
{
    if (mask == 0)
        mask = state().mask;
    int fallback = (mask & 0x2) ? language_english : language_french;
    LANGID user = GetUserDefaultLangID();
    WORD primary = user & 0x3FF;
    WORD sub = user >> 10;
    for (int i = 0; i < language_count; ++i) {
        if (rows[i].primary != primary)
            continue;
        if (primary == 0x04 && sub != 2 && sub != 4)
            break; // only Simplified Chinese has a row
        return (mask & (1u << i)) ? i : fallback;
    }
    return fallback;
}

LANGID language_id(int index)
{
    return in_table(index) ? rows[index].langid : 1036;
}

int language_flag_icon(int index)
{
    return in_table(index) ? rows[index].flag_icon : 0;
}

int language_text_offset(int index)
{
    return in_table(index) ? rows[index].text_offset : 0;
}

std::wstring language_native_name(int index)
{
    LCID lcid = locale_of(index);
    int n = GetLocaleInfoW(lcid, LOCALE_SNATIVELANGNAME, nullptr, 0);
    if (n <= 0)
        return {};
    std::vector<wchar_t> buf(n);
    if (GetLocaleInfoW(lcid, LOCALE_SNATIVELANGNAME, buf.data(), n) <= 0)
        return {};
    if (buf[0] != 0) {
        DWORD first = static_cast<DWORD>(CharNextW(buf.data()) - buf.data());
        CharUpperBuffW(buf.data(), first);
    }
    return buf.data();
}

bool is_right_to_left(int index)
{
    LOCALESIGNATURE sig = {};
    if (GetLocaleInfoW(language_id(index), LOCALE_FONTSIGNATURE, reinterpret_cast<LPWSTR>(&sig),
                       sizeof(sig) / sizeof(wchar_t)) != 0)
        return (sig.lsUsb[3] & (1u << 27)) != 0;
    return index == language_hebrew;
}

bool is_left_to_right()
{
    return !is_right_to_left(current_language());
}

LANGID current_lcid()
{
    return LANGIDFROMLCID(state().locale);
}

HMODULE resource_module()
{
    language_state& s = state();
    if (!s.module)
        s.module = GetModuleHandleW(nullptr);
    return s.module;
}

namespace {
// The string from one module's string table: block (id >> 4) + 1 holds sixteen
// length-prefixed strings. nullopt-like: false when the module has none.
bool string_from_module(HMODULE module, UINT id, std::wstring& out)
{
    HRSRC res = FindResourceW(module, MAKEINTRESOURCEW((id >> 4) + 1), RT_STRING);
    if (!res)
        return false;
    HGLOBAL loaded = LoadResource(module, res);
    DWORD size = SizeofResource(module, res);
    const auto* p = static_cast<const WCHAR*>(LockResource(loaded));
    if (!p)
        return false;
    size_t units = size / sizeof(WCHAR), pos = 0;
    for (UINT skip = id & 15; skip > 0; --skip) {
        if (pos >= units)
            return false;
        pos += 1 + p[pos];
    }
    if (pos >= units)
        return false;
    size_t len = p[pos];
    if (pos + 1 + len > units || len == 0)
        return false;
    out.assign(p + pos + 1, len);
    return true;
}
} // namespace

std::wstring load_resource_string(UINT id)
{
    std::wstring s;
    HMODULE module = resource_module();
    if (string_from_module(module, id, s))
        return s;
    HMODULE exe = GetModuleHandleW(nullptr);
    if (module != exe && string_from_module(exe, id, s))
        return s;
    return {};
}

bool is_windows_6_or_later()
{
    static const bool answer = [] {
        OSVERSIONINFOEXW v = {};
        v.dwOSVersionInfoSize = sizeof(v);
        v.dwMajorVersion = 6;
        v.dwMinorVersion = 0;
        ULONGLONG mask = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
        mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
        return VerifyVersionInfoW(&v, VER_MAJORVERSION | VER_MINORVERSION, mask) != FALSE;
    }();
    return answer;
}

std::string locale_name(int index)
{
    LCID lcid = locale_of(index);
    if (PRIMARYLANGID(GetUserDefaultLangID()) == PRIMARYLANGID(LANGIDFROMLCID(lcid)))
        return {};
    auto info = [lcid](LCTYPE type) {
        wchar_t buf[LOCALE_NAME_MAX_LENGTH] = {};
        if (GetLocaleInfoW(lcid, type, buf, LOCALE_NAME_MAX_LENGTH) == 0)
            throw std::runtime_error("GetLocaleInfo() failed");
        return std::wstring(buf);
    };
    std::wstring name = is_windows_6_or_later()
                            ? info(LOCALE_SNAME)
                            : info(LOCALE_SISO639LANGNAME) + L"-" + info(LOCALE_SISO3166CTRYNAME);
    // Locale names are ASCII.
    return std::string(name.begin(), name.end());
}

} // namespace tw
