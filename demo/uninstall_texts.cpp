#include "demo/uninstall_texts.h"

#include "app/installer_texts.h"
#include "app/language.h"

namespace uninstall {

namespace {
UINT g_block = kEnglishBlock;
} // namespace

UINT language_block(int languageIndex)
{
    switch (languageIndex) {
    case tw::language_french:
        return kFrenchBlock;
    case tw::language_german:
        return kGermanBlock;
    default:
        return kEnglishBlock;
    }
}

int user_language()
{
    switch (PRIMARYLANGID(GetUserDefaultUILanguage())) {
    case LANG_FRENCH:
        return tw::language_french;
    case LANG_GERMAN:
        return tw::language_german;
    default:
        return tw::language_english;
    }
}

void set_text_language(int languageIndex)
{
    g_block = language_block(languageIndex);
}

std::wstring load_text(text id, std::initializer_list<std::wstring> args)
{
    const wchar_t* resource = nullptr;
    int length = LoadStringW(GetModuleHandleW(nullptr), g_block + static_cast<UINT>(id),
                             reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0)
        return {};
    return FormatText(std::wstring(resource, static_cast<size_t>(length)), args);
}

} // namespace uninstall
