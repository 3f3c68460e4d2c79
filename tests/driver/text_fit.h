#pragma once
// Whether the texts of a running program's controls fit them. A control's
// font is the one its dialog template gives it: this process creates a
// hidden copy of the same template from the program's own executable and
// measures with that copy's font (a font handle of another process cannot be
// used here). Rectangles are read from the real controls.
#include <windows.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace gui {

// A text that does not fit its control: what it needs and what it has, in
// pixels of the control's client area.
struct clipped_text {
    int id = 0;
    std::wstring class_name;
    std::wstring text;
    SIZE needed = {};
    SIZE available = {};
};
std::ostream& operator<<(std::ostream& os, const clipped_text& c);

class text_fit {
public:
    // Loads `exe` as a data file for its dialog templates. Makes this process
    // aware of the display's resolution, as the installer's manifest makes it,
    // so that both measure in the same pixels.
    explicit text_fit(const std::wstring& exe);
    ~text_fit();
    text_fit(const text_fit&) = delete;
    text_fit& operator=(const text_fit&) = delete;

    bool loaded() const { return m_module != nullptr; }
    // The font that dialog template `templateId` gives its controls.
    HFONT template_font(int templateId);
    // The client size a hidden copy of the template has (for a template the
    // program does not resize: the same font gives the same size).
    SIZE template_client_size(int templateId);

    // The statics, push buttons, check boxes, radio buttons and group boxes
    // among the direct children of `container` whose text does not fit,
    // measured with the font of `templateId`. A static wraps at its width
    // (single-line ones too, so a text that needs a second line that the
    // control has no room for does not fit); buttons hold one line.
    std::vector<clipped_text> clipped(HWND container, int templateId);
    // One control.
    bool fits(HWND control, HFONT font, clipped_text* report);

private:
    HWND template_copy(int templateId);

    HMODULE m_module = nullptr;
    HWND m_host = nullptr;
    std::map<int, HWND> m_copies;
};

} // namespace gui
