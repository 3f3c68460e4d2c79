#pragma once
// The helper layer's boxes: a plain error box for a code, and the
// application-level box, captioned with the application name and modal to
// the application.
#include <windows.h>
#include <cstdint>
#include <string>

namespace tw {

// A text given as a string or as a string-resource identifier (any value
// below 0x10000, as MAKEINTRESOURCE makes it).
class text_arg {
public:
    text_arg(const wchar_t* text) : m_pointer(text) {}
    text_arg(const std::wstring& text) : m_text(text), m_owned(true) {}
    text_arg(UINT id) : m_pointer(MAKEINTRESOURCEW(id)) {}
    // The text itself; an identifier is loaded, 0 is the empty text.
    std::wstring resolve() const;

private:
    const wchar_t* m_pointer = nullptr;
    std::wstring m_text;
    bool m_owned = false;
};

// Whether a box owned by `owner` (may be null) reads right to left.
bool box_reads_right_to_left(HWND owner);

// An exclamation box with the system's text for `code`; always false.
bool show_error_box(HWND owner, uint32_t code);

// The framework's safe owner, the application disabled while the box is up,
// an icon chosen for the button set when none is given, the application
// name as caption when `caption` is 0 or empty. The MessageBox result.
int message_box(const text_arg& text, const text_arg& caption, UINT type);

// An exclamation box with the reported text of `code`.
void report_error(uint32_t code);

} // namespace tw
