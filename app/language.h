#pragma once
// The process-wide language state: one numbering of the seventeen languages
// (0 French ... 16 Hebrew), the current one, and the locale that goes with it.
#include <windows.h>
#include <cstdint>
#include <string>

namespace tw {

constexpr int language_count = 17;
constexpr int language_french = 0;
constexpr int language_english = 1;
constexpr int language_german = 2;
constexpr int language_spanish = 3;
constexpr int language_portuguese = 4;
constexpr int language_dutch = 5;
constexpr int language_danish = 6;
constexpr int language_turkish = 7;
constexpr int language_bulgarian = 8;
constexpr int language_romanian = 9;
constexpr int language_chinese = 10;  // Simplified
constexpr int language_italian = 11;
constexpr int language_czech = 12;
constexpr int language_norwegian = 13;
constexpr int language_greek = 14;
constexpr int language_polish = 15;
constexpr int language_hebrew = 16;
// Every language of the table, as a detection mask.
constexpr uint32_t all_languages_mask = (1u << language_count) - 1;
// The twelve product languages: all but Danish, Bulgarian, Greek, Polish and
// Hebrew.
constexpr uint32_t product_languages_mask = 0x3EBF;
// The eight languages with installer texts: French, English, German, Spanish,
// Portuguese, Turkish, Romanian and Italian.
constexpr uint32_t installer_text_languages_mask = 0x0A9F;

// Makes `index` current (runtime locale, locale identifier, code page) and
// returns the language's ANSI code page.
UINT set_language(int index);
int current_language();

// The language that fits the user's default interface language within `mask`
// (bit 1 << index); 0 means the state's default mask.
int detect_language(uint32_t mask);

// The table's LANGID; 1036 for an index outside the table.
LANGID language_id(int index);
// The language's own name, first letter upper-cased ("Français").
std::wstring language_native_name(int index);
bool is_right_to_left(int index);
bool is_left_to_right();
LANGID current_lcid();

// The flag icon resource shown beside the language, and the offset added to a
// French string identifier to reach the language's block.
int language_flag_icon(int index);
int language_text_offset(int index);

// The module that holds localized resources (the executable unless set).
HMODULE resource_module();
// String `id` from the resource module, else from the executable, else empty.
std::wstring load_resource_string(UINT id);

// The C runtime locale name for a language ("de-DE"); empty selects the user's
// own default. Throws std::runtime_error when the locale cannot be read.
std::string locale_name(int index);
bool is_windows_6_or_later();

} // namespace tw
