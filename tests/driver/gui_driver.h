#pragma once
// Drives the real installer from a test program under Wine: starts it in the
// test's prefix and display, waits for its windows, reads and works its
// controls with messages as a user's clicks would, answers its message boxes
// and saves screenshots. Every wait is on a condition with a timeout.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace gui {

using namespace std::chrono_literals;
constexpr std::chrono::milliseconds kDefaultTimeout = 15s;

// Polls `condition` until it holds or `timeout` passes; true when it held.
bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout = kDefaultTimeout);

std::wstring window_text(HWND wnd);
std::wstring class_name(HWND wnd);
// The installer under test, as the harness built it (TW_INSTALLER, a Unix path).
std::wstring installer_path();
// Running under Wine rather than Windows.
bool on_wine();

// A message box of the program under test.
class message_box {
public:
    explicit message_box(HWND wnd) : m_wnd(wnd) {}
    HWND hwnd() const { return m_wnd; }
    std::wstring caption() const { return window_text(m_wnd); }
    std::wstring text() const;
    bool has_button(int id) const;
    // The box's icon style as far as it shows: true when an icon is drawn.
    bool has_icon() const;
    LONG ex_style() const { return GetWindowLongW(m_wnd, GWL_EXSTYLE); }
    // Presses the button with `id` (IDYES, IDNO, IDOK ...) and waits until the box has gone.
    bool press(int id) const;

private:
    HWND m_wnd;
};

// One item of an extended combo box: text and item data.
struct combo_item {
    std::wstring text;
    LPARAM data = 0;
};

// A running installer process; ended when the object goes if still running.
class installer {
public:
    enum class until { frame, started };
    // Starts `exe` (default: installer_path()) and waits for its wizard frame,
    // or only starts it, for what start-up shows before the wizard.
    explicit installer(const std::wstring& exe = installer_path(), until wait = until::frame);
    ~installer();
    installer(const installer&) = delete;
    installer& operator=(const installer&) = delete;

    bool started() const { return m_frame != nullptr; }
    HWND frame() const { return m_frame; }
    DWORD process_id() const { return m_process.dwProcessId; }
    bool wait_for_exit(std::chrono::milliseconds timeout = kDefaultTimeout) const;
    // The exit code once the process has ended.
    DWORD exit_code() const;
    bool running() const;

    // The visible top-level windows of the process, with their class.
    std::vector<HWND> top_windows(const wchar_t* className = nullptr) const;
    // A visible top-level window of the process other than the frame.
    std::optional<message_box> wait_for_box(std::chrono::milliseconds timeout = kDefaultTimeout) const;
    // A top-level window whose caption is `title`.
    HWND wait_for_window(const std::wstring& title, const wchar_t* className = L"#32770",
                         std::chrono::milliseconds timeout = kDefaultTimeout) const;
    // True when no window other than the frame is up (no box pending).
    bool no_box() const;
    // A visible top-level window of the process of class `className` owned by `owner`.
    HWND wait_for_owned(HWND owner, const wchar_t* className = L"#32770",
                        std::chrono::milliseconds timeout = kDefaultTimeout) const;

    // The visible page: the frame's visible child dialog.
    HWND page() const;
    // The template of the visible page (a page is recognised by its controls).
    int page_index() const;
    bool wait_for_page(int index, std::chrono::milliseconds timeout = kDefaultTimeout) const;

    // A control by id: on the visible page first, then on the frame itself.
    HWND control(int id) const;
    std::wstring text(int id) const { return window_text(control(id)); }
    bool enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }
    bool visible(int id) const { return IsWindowVisible(control(id)) != FALSE; }
    bool checked(int id) const;
    std::wstring title() const { return window_text(m_frame); }

    // Clicks a button (BM_CLICK) as a user could: false unless the control is
    // visible and enabled, and so is every window it sits in up to its
    // top-level window (a modal box disables the frame it covers).
    bool click(int id) const;
    // Clicks and waits until `done` holds.
    bool click_and_wait(int id, const std::function<bool()>& done) const;
    // Sets a check box or radio button to `on` by clicking it when it differs.
    bool set_checked(int id, bool on) const;
    // Replaces an edit control's text.
    bool set_text(int id, const std::wstring& text) const;
    // Presses a key in the focused control: posts WM_KEYDOWN and WM_KEYUP, as
    // the keyboard does. Characters (WM_CHAR) are made from them by the
    // wizard's own message loop (IsDialogMessage translates what it does not
    // handle itself), so none are posted here.
    bool press_key(WORD vk) const;
    // The control that has the keyboard focus in the installer.
    HWND focus() const;

    // Extended combo box contents and selection (read from the installer's memory).
    std::vector<combo_item> combo_items(int id) const;
    int combo_selection(int id) const;
    // Selects entry `index` as a user would: the selection, then the
    // selection-change notification to the page.
    bool select_combo(int id, int index) const;

    // Picks the entry of `language` (item data: the language index) in the
    // start page's language list as a user would; false when it is missing.
    bool select_language(int language) const;
    // Picks `language` and waits until the wizard has re-labelled itself (for
    // a language whose installer title differs from the current one's).
    bool switch_language(int language) const;

    // Sends a system-menu command (the entry's command id) to the frame.
    void system_command(UINT command) const;
    // The text of a system-menu item by command (Windows only: Wine keeps
    // menus private to their process); nullopt when it cannot be read.
    std::optional<std::wstring> system_menu_text(UINT command) const;

    // Saves the window `wnd` (default: the frame) with its frame as a 24-bit BMP.
    bool screenshot(const std::wstring& path, HWND wnd = nullptr) const;

private:
    PROCESS_INFORMATION m_process = {};
    HWND m_frame = nullptr;
};

// Windows of the program under test, found by class and worked by handle (for
// dialogs the installer does not own itself, such as the shell's).

// The first descendant of `parent` whose class is `className`, or null.
HWND find_descendant(HWND parent, const wchar_t* className);
// The first visible descendant static control of `parent` showing `text`, or null.
HWND find_static_text(HWND parent, const std::wstring& text);
// Clicks button `id` of `dialog` (BM_CLICK, posted); false when a user could
// not: the button hidden or disabled, or its top-level window disabled.
bool click_in(HWND dialog, int id);
// Replaces the text of control `wnd`; false when it is disabled or hidden.
bool type_into(HWND wnd, const std::wstring& text);

// Tree views of the program under test (item texts read from its memory).
HTREEITEM tree_root(HWND tree);
HTREEITEM tree_selection(HWND tree);
HTREEITEM tree_parent(HWND tree, HTREEITEM item);
HTREEITEM tree_next_sibling(HWND tree, HTREEITEM item);
std::wstring tree_text(HWND tree, HTREEITEM item);
// Expands `item` as a click on its button would and finds its child `text`.
HTREEITEM tree_child(HWND tree, HTREEITEM item, const std::wstring& text);
// Selects `item` as a click on it would; false when the tree or its
// top-level window is disabled or hidden.
bool tree_select(HWND tree, HTREEITEM item);

// True when a user could work `control`: it is visible and enabled, and so is
// every window it sits in, its top-level window included.
bool user_can_reach(HWND control);

// The lines of a multi-line control's text, without their line ends.
std::vector<std::wstring> lines_of(const std::wstring& text);

// The folder screenshots go to (TW_SCREENSHOT_DIR), empty when not set.
std::wstring screenshot_dir();

} // namespace gui
