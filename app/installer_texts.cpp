#include "app/installer_texts.h"

#include "app/language.h"
#include "app/product.h"
#include "framework/message_box.h"
#include "framework/win_app.h"

#include <stdexcept>

bool IsProductLanguage(int index)
{
    return index >= 0 && index < tw::language_count && (tw::product_languages_mask & (1u << index)) != 0;
}

bool HasInstallerTexts(int index)
{
    return index >= 0 && index < tw::language_count && (tw::installer_text_languages_mask & (1u << index)) != 0;
}

UINT TextId(UINT baseId)
{
    int lang = tw::current_language();
    if (!HasInstallerTexts(lang))
        lang = tw::language_english;
    UINT id = baseId + tw::language_text_offset(lang);
    if (lang == tw::language_french)
        return id;
    if (tw::load_resource_string(id) != L"#")
        return id;
    if (lang == tw::language_english)
        return baseId;
    UINT english = baseId + tw::language_text_offset(tw::language_english);
    return tw::load_resource_string(english) != L"#" ? english : baseId;
}

std::wstring LoadText(UINT baseId)
{
    return tw::load_resource_string(TextId(baseId));
}

std::wstring FormatText(const std::wstring& format, std::initializer_list<std::wstring> args)
{
    std::wstring out;
    out.reserve(format.size());
    for (size_t i = 0; i < format.size(); ++i) {
        wchar_t c = format[i];
        if (c == L'%' && i + 1 < format.size()) {
            wchar_t next = format[i + 1];
            if (next >= L'1' && next <= L'9') {
                size_t n = static_cast<size_t>(next - L'1');
                if (n < args.size())
                    out += *(args.begin() + n);
                ++i;
                continue;
            }
            if (next == L'%') {
                out += L'%';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::wstring FormatTextId(UINT baseId, std::initializer_list<std::wstring> args)
{
    std::wstring format = tw::load_resource_string(TextId(baseId));
    if (format.empty())
        throw std::invalid_argument("text resource missing");
    return FormatText(format, args);
}

void OnLanguageChanged(int index)
{
    tw::set_language(index);
    if (!HasInstallerTexts(index))
        AfxMessageBox(FormatTextId(IDS_INSTALLER_NOT_TRANSLATED, {ProductName()}), MB_ICONINFORMATION | MB_OK);
    if (CWinApp* app = AfxGetApp())
        app->SetAppName(InstallerTitle(true));
    if (CWinApp* app = AfxGetApp())
        if (HWND frame = app->GetMainWnd())
            SendMessageW(frame, WM_TW_REFRESH_TEXTS, 0, 0);
}
