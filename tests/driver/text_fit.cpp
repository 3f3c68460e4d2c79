#include "tests/driver/text_fit.h"

#include "tests/driver/gui_driver.h"

#include <commctrl.h>

#include <cstring>

namespace gui {
namespace {

// Where a button draws its text: inside the button's edge and focus
// rectangle, or after the box of a check box or radio button, or between the
// frame's ends for a group box.
constexpr int kPushButtonInset = 3;   // each side: the 2-pixel edge and 1 for the focus rectangle
constexpr int kCheckTextGap = 4;      // between the box and the text
constexpr int kGroupTextInsetLeft = 9;
constexpr int kGroupTextInsetRight = 2;

INT_PTR CALLBACK quiet_dialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

std::string narrow(const std::wstring& s)
{
    std::string out;
    int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// A memory device context with `font` selected, released with the object.
class font_dc {
public:
    explicit font_dc(HFONT font) : m_dc(CreateCompatibleDC(nullptr)), m_old(SelectObject(m_dc, font)) {}
    ~font_dc()
    {
        SelectObject(m_dc, m_old);
        DeleteDC(m_dc);
    }
    font_dc(const font_dc&) = delete;
    font_dc& operator=(const font_dc&) = delete;
    HDC get() const { return m_dc; }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

SIZE text_size(HFONT font, const std::wstring& text, UINT format, int wrapWidth)
{
    font_dc dc(font);
    RECT r = {0, 0, wrapWidth, 0};
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
    return {r.right - r.left, r.bottom - r.top};
}

} // namespace

std::ostream& operator<<(std::ostream& os, const clipped_text& c)
{
    return os << narrow(c.class_name) << " " << c.id << " \"" << narrow(c.text) << "\" needs " << c.needed.cx << "x"
              << c.needed.cy << ", has " << c.available.cx << "x" << c.available.cy;
}

text_fit::text_fit(const std::wstring& exe)
{
    SetProcessDPIAware();
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_USEREX_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    m_module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    m_host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

text_fit::~text_fit()
{
    for (auto& [id, copy] : m_copies)
        DestroyWindow(copy);
    if (m_host)
        DestroyWindow(m_host);
    if (m_module)
        FreeLibrary(m_module);
}

HWND text_fit::template_copy(int templateId)
{
    auto found = m_copies.find(templateId);
    if (found != m_copies.end())
        return found->second;
    HWND copy = nullptr;
    HRSRC res = m_module ? FindResourceW(m_module, MAKEINTRESOURCEW(templateId), RT_DIALOG) : nullptr;
    if (res) {
        DWORD size = SizeofResource(m_module, res);
        std::vector<DWORD> tmpl((size + 3) / 4);
        std::memcpy(tmpl.data(), LockResource(LoadResource(m_module, res)), size);
        // Never shown: the style loses WS_VISIBLE (offset 12 in an extended
        // template, 0 in a plain one).
        auto* words = reinterpret_cast<WORD*>(tmpl.data());
        DWORD* style = words[1] == 0xFFFF ? reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(tmpl.data()) + 12)
                                          : tmpl.data();
        *style &= ~static_cast<DWORD>(WS_VISIBLE);
        copy = CreateDialogIndirectParamW(m_module, reinterpret_cast<LPCDLGTEMPLATEW>(tmpl.data()), m_host,
                                          quiet_dialog, 0);
    }
    m_copies[templateId] = copy;
    return copy;
}

HFONT text_fit::template_font(int templateId)
{
    HWND copy = template_copy(templateId);
    return copy ? reinterpret_cast<HFONT>(SendMessageW(copy, WM_GETFONT, 0, 0)) : nullptr;
}

SIZE text_fit::template_client_size(int templateId)
{
    RECT r = {};
    if (HWND copy = template_copy(templateId))
        GetClientRect(copy, &r);
    return {r.right, r.bottom};
}

bool text_fit::fits(HWND control, HFONT font, clipped_text* report)
{
    std::wstring cls = class_name(control);
    std::wstring text = window_text(control);
    if (text.empty())
        return true;
    LONG style = GetWindowLongW(control, GWL_STYLE);
    RECT client = {};
    GetClientRect(control, &client);
    SIZE available = {client.right, client.bottom};
    SIZE needed = {};
    if (lstrcmpiW(cls.c_str(), L"Static") == 0) {
        LONG type = style & SS_TYPEMASK;
        UINT format = DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
        if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP)
            format |= DT_SINGLELINE;
        else if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT)
            format |= DT_WORDBREAK;
        else
            return true; // pictures, frames and rectangles
        needed = text_size(font, text, format, available.cx);
    } else if (lstrcmpiW(cls.c_str(), L"Button") == 0) {
        LONG type = style & BS_TYPEMASK;
        switch (type) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON:
            available.cx -= 2 * kPushButtonInset;
            available.cy -= 2 * kPushButtonInset;
            break;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
        case BS_3STATE:
        case BS_AUTO3STATE:
            available.cx -= GetSystemMetrics(SM_CXMENUCHECK) + kCheckTextGap;
            break;
        case BS_GROUPBOX:
            available.cx -= kGroupTextInsetLeft + kGroupTextInsetRight;
            break;
        default:
            return true; // drawn by its owner
        }
        needed = text_size(font, text, DT_SINGLELINE, available.cx);
    } else {
        return true;
    }
    if (needed.cx <= available.cx && needed.cy <= available.cy)
        return true;
    if (report)
        *report = {GetDlgCtrlID(control), cls, text, needed, available};
    return false;
}

std::vector<clipped_text> text_fit::clipped(HWND container, int templateId)
{
    std::vector<clipped_text> out;
    HFONT font = template_font(templateId);
    if (!font)
        return {{0, L"template", L"no font for template " + std::to_wstring(templateId), {}, {}}};
    for (HWND child = GetWindow(container, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        clipped_text c;
        if (!fits(child, font, &c))
            out.push_back(c);
    }
    return out;
}

} // namespace gui
