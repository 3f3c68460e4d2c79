#include "winhelpers/message_boxes.h"

#include "app/language.h"
#include "framework/message_box.h"
#include "framework/win_app.h"
#include "winhelpers/error_text.h"

namespace tw {

std::wstring text_arg::resolve() const
{
    if (m_owned)
        return m_text;
    if (!m_pointer)
        return {};
    if (IS_INTRESOURCE(m_pointer))
        return load_resource_string(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(m_pointer)));
    return m_pointer;
}

bool box_reads_right_to_left(HWND owner)
{
    if (owner)
        return (GetWindowLongW(owner, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
    // Without an owner: the user's own interface language decides, not the
    // installer's current one. Every language is allowed in the detection: the
    // language state's default mask holds French alone, which would never
    // find a right-to-left language.
    return is_right_to_left(detect_language(all_languages_mask));
}

bool show_error_box(HWND owner, uint32_t code)
{
    UINT type = MB_ICONEXCLAMATION;
    if (box_reads_right_to_left(owner))
        type |= MB_RTLREADING;
    MessageBoxW(owner, error_text(code, 0).c_str(), nullptr, type);
    return false;
}

int message_box(const text_arg& text, const text_arg& caption, UINT type)
{
    if ((type & MB_ICONMASK) == 0) {
        switch (type & MB_TYPEMASK) {
        case MB_OK:
        case MB_OKCANCEL:
            type |= MB_ICONEXCLAMATION;
            break;
        case MB_YESNOCANCEL:
        case MB_YESNO:
            type |= MB_ICONQUESTION;
            break;
        default:
            break;
        }
    }
    if (box_reads_right_to_left(AfxGetSafeOwner()))
        type |= MB_RTLREADING;
    // The framework box supplies the owner, the modality and the application
    // name for an empty caption.
    return AfxMessageBox(text.resolve(), type, caption.resolve());
}

void report_error(uint32_t code)
{
    message_box(reported_error_text(code), static_cast<UINT>(0), MB_ICONEXCLAMATION);
}

} // namespace tw
