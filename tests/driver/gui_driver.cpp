#include "tests/driver/gui_driver.h"

#include "resources/dialog_ids.h"
#include "tests/common/host_path.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace gui {
namespace {

struct find_windows {
    DWORD pid;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_top_window(HWND wnd, LPARAM param)
{
    auto* f = reinterpret_cast<find_windows*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid == f->pid && IsWindowVisible(wnd) && (!f->className || class_name(wnd) == f->className))
        f->found.push_back(wnd);
    return TRUE;
}

struct find_child {
    int id;
    HWND found = nullptr;
    HWND largest_static = nullptr;
    int largest_length = -1;
};

BOOL CALLBACK find_box_text(HWND wnd, LPARAM param)
{
    auto* f = reinterpret_cast<find_child*>(param);
    if (GetDlgCtrlID(wnd) == f->id && class_name(wnd) == L"Static")
        f->found = wnd;
    if (class_name(wnd) == L"Static") {
        int n = GetWindowTextLengthW(wnd);
        if (n > f->largest_length) {
            f->largest_length = n;
            f->largest_static = wnd;
        }
    }
    return TRUE;
}

BOOL CALLBACK find_icon(HWND wnd, LPARAM param)
{
    if (class_name(wnd) == L"Static" && (GetWindowLongW(wnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<bool*>(param) = true;
        return FALSE;
    }
    return TRUE;
}

// A block of memory inside the installer process, for messages whose
// arguments are pointers.
class remote_block {
public:
    remote_block(HANDLE process, size_t size) : m_process(process), m_size(size)
    {
        m_address = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~remote_block()
    {
        if (m_address)
            VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
    }
    remote_block(const remote_block&) = delete;
    remote_block& operator=(const remote_block&) = delete;
    explicit operator bool() const { return m_address != nullptr; }
    char* address() const { return static_cast<char*>(m_address); }
    bool write(size_t offset, const void* data, size_t size) const
    {
        SIZE_T done = 0;
        return WriteProcessMemory(m_process, address() + offset, data, size, &done) && done == size;
    }
    bool read(size_t offset, void* data, size_t size) const
    {
        SIZE_T done = 0;
        return ReadProcessMemory(m_process, address() + offset, data, size, &done) && done == size;
    }

private:
    HANDLE m_process;
    size_t m_size;
    void* m_address = nullptr;
};

bool write_bmp(const std::wstring& path, HDC source, int x, int y, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return false;
    HDC memory = CreateCompatibleDC(source);
    HGDIOBJ old = SelectObject(memory, bitmap);
    bool ok = BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
    DeleteDC(memory);
    DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    DWORD image = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
    file.bfSize = file.bfOffBits + image;
    if (ok) {
        FILE* out = _wfopen(path.c_str(), L"wb");
        ok = out && fwrite(&file, sizeof(file), 1, out) == 1 && fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
             fwrite(bits, image, 1, out) == 1;
        if (out)
            fclose(out);
    }
    DeleteObject(bitmap);
    return ok;
}

} // namespace

bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(15ms);
    }
}

std::wstring window_text(HWND wnd)
{
    if (!wnd)
        return {};
    // WM_GETTEXT is marshalled between processes. A log box holds more than
    // any fixed buffer would: ask for the length first.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(wnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return {};
    std::wstring buffer(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(wnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, 5000, &copied))
        return {};
    buffer.resize(copied < length ? copied : length);
    return buffer;
}

std::wstring class_name(HWND wnd)
{
    wchar_t name[256] = {};
    int n = GetClassNameW(wnd, name, 256);
    return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring installer_path()
{
    const char* unix_path = std::getenv("TW_INSTALLER");
    return unix_path ? host_path_to_windows(unix_path) : std::wstring();
}

bool on_wine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool user_can_reach(HWND control)
{
    if (!control || !IsWindowVisible(control))
        return false;
    for (HWND wnd = control; wnd; wnd = (GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD) ? GetParent(wnd) : nullptr)
        if (!IsWindowEnabled(wnd))
            return false;
    return true;
}

std::vector<std::wstring> lines_of(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::wstring line;
    std::wistringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::wstring screenshot_dir()
{
    const char* dir = std::getenv("TW_SCREENSHOT_DIR");
    return dir && *dir ? host_path_to_windows(dir) : std::wstring();
}

// message_box

std::wstring message_box::text() const
{
    // The system's message box shows its text in a static control with id 0xFFFF.
    find_child f{0xFFFF};
    EnumChildWindows(m_wnd, find_box_text, reinterpret_cast<LPARAM>(&f));
    return window_text(f.found ? f.found : f.largest_static);
}

bool message_box::has_button(int id) const
{
    HWND button = GetDlgItem(m_wnd, id);
    return button && IsWindowVisible(button);
}

bool message_box::has_icon() const
{
    bool found = false;
    EnumChildWindows(m_wnd, find_icon, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool message_box::press(int id) const
{
    HWND button = GetDlgItem(m_wnd, id);
    if (!user_can_reach(button))
        return false;
    PostMessageW(button, BM_CLICK, 0, 0);
    return wait_until([&] { return !IsWindow(m_wnd) || !IsWindowVisible(m_wnd); });
}

// installer

installer::installer(const std::wstring& exe, until wait)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::wstring command = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &m_process))
        return;
    if (wait == until::started)
        return;
    wait_until([&] {
        for (HWND wnd : top_windows(L"#32770"))
            if (GetDlgItem(wnd, IDOK) && GetDlgItem(wnd, IDC_BACK) && GetDlgItem(wnd, IDCANCEL)) {
                m_frame = wnd;
                return true;
            }
        return !running();
    });
}

installer::~installer()
{
    if (m_process.hProcess) {
        if (running()) {
            TerminateProcess(m_process.hProcess, 99);
            WaitForSingleObject(m_process.hProcess, 10000);
        }
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
}

bool installer::running() const
{
    return m_process.hProcess && WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD installer::exit_code() const
{
    DWORD code = STILL_ACTIVE;
    if (m_process.hProcess)
        GetExitCodeProcess(m_process.hProcess, &code);
    return code;
}

bool installer::wait_for_exit(std::chrono::milliseconds timeout) const
{
    return m_process.hProcess &&
           WaitForSingleObject(m_process.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

std::vector<HWND> installer::top_windows(const wchar_t* className) const
{
    find_windows f{m_process.dwProcessId, className, {}};
    EnumWindows(collect_top_window, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

std::optional<message_box> installer::wait_for_box(std::chrono::milliseconds timeout) const
{
    HWND box = nullptr;
    wait_until(
        [&] {
            for (HWND wnd : top_windows(L"#32770"))
                if (wnd != m_frame) {
                    box = wnd;
                    return true;
                }
            return false;
        },
        timeout);
    if (!box)
        return std::nullopt;
    return message_box(box);
}

HWND installer::wait_for_window(const std::wstring& title, const wchar_t* className,
                                std::chrono::milliseconds timeout) const
{
    HWND found = nullptr;
    wait_until(
        [&] {
            for (HWND wnd : top_windows(className))
                if (window_text(wnd) == title) {
                    found = wnd;
                    return true;
                }
            return false;
        },
        timeout);
    return found;
}

HWND installer::wait_for_owned(HWND owner, const wchar_t* className, std::chrono::milliseconds timeout) const
{
    HWND found = nullptr;
    wait_until(
        [&] {
            for (HWND wnd : top_windows(className))
                if (GetWindow(wnd, GW_OWNER) == owner) {
                    found = wnd;
                    return true;
                }
            return false;
        },
        timeout);
    return found;
}

bool installer::no_box() const
{
    for (HWND wnd : top_windows())
        if (wnd != m_frame)
            return false;
    return true;
}

HWND installer::page() const
{
    for (HWND child = GetWindow(m_frame, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (class_name(child) == L"#32770" && IsWindowVisible(child))
            return child;
    return nullptr;
}

int installer::page_index() const
{
    HWND p = page();
    if (!p)
        return -1;
    // Each page has one control that no other page has.
    struct marker {
        int id;
        int page;
    };
    static const marker markers[] = {
        {IDC_LANGUAGE_LIST, 0}, {IDC_MODE_QUICK, 1}, {IDC_PATH_LABEL, 2}, {IDC_MENU_SHORTCUT, 3}, {IDC_LOG, 4}};
    for (const marker& m : markers)
        if (GetDlgItem(p, m.id))
            return m.page;
    return GetDlgItem(p, IDC_INFO) ? 5 : -1;
}

bool installer::wait_for_page(int index, std::chrono::milliseconds timeout) const
{
    return wait_until([&] { return page_index() == index; }, timeout);
}

HWND installer::control(int id) const
{
    if (HWND p = page())
        if (HWND c = GetDlgItem(p, id))
            return c;
    return GetDlgItem(m_frame, id);
}

bool installer::checked(int id) const
{
    DWORD_PTR state = 0;
    SendMessageTimeoutW(control(id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return state == BST_CHECKED;
}

bool installer::click(int id) const
{
    HWND c = control(id);
    if (!user_can_reach(c))
        return false;
    return PostMessageW(c, BM_CLICK, 0, 0) != FALSE;
}

bool installer::click_and_wait(int id, const std::function<bool()>& done) const
{
    return click(id) && wait_until(done);
}

bool installer::set_checked(int id, bool on) const
{
    if (checked(id) == on)
        return true;
    return click_and_wait(id, [&] { return checked(id) == on; });
}

bool installer::set_text(int id, const std::wstring& text) const
{
    HWND c = control(id);
    DWORD_PTR done = 0;
    return c && SendMessageTimeoutW(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                                    5000, &done);
}

HWND installer::focus() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(m_process.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

bool installer::press_key(WORD vk) const
{
    HWND target = focus();
    if (!target)
        target = m_frame;
    UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    LPARAM up = down | (1 << 30) | (1u << 31);
    return PostMessageW(target, WM_KEYDOWN, vk, down) && PostMessageW(target, WM_KEYUP, vk, up);
}

std::vector<combo_item> installer::combo_items(int id) const
{
    std::vector<combo_item> items;
    HWND combo = control(id);
    if (!combo)
        return items;
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id());
    if (!process)
        return items;
    {
        constexpr size_t text_chars = 256;
        remote_block block(process, sizeof(COMBOBOXEXITEMW) + text_chars * sizeof(wchar_t));
        int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; block && i < count; ++i) {
            COMBOBOXEXITEMW item = {};
            item.mask = CBEIF_TEXT | CBEIF_LPARAM;
            item.iItem = i;
            item.pszText = reinterpret_cast<wchar_t*>(block.address() + sizeof(COMBOBOXEXITEMW));
            item.cchTextMax = text_chars;
            wchar_t text[text_chars] = {};
            if (!block.write(0, &item, sizeof(item)) ||
                !SendMessageW(combo, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(block.address())) ||
                !block.read(0, &item, sizeof(item)) ||
                !block.read(sizeof(COMBOBOXEXITEMW), text, sizeof(text) - sizeof(wchar_t)))
                break;
            items.push_back({text, item.lParam});
        }
    }
    CloseHandle(process);
    return items;
}

int installer::combo_selection(int id) const
{
    return static_cast<int>(SendMessageW(control(id), CB_GETCURSEL, 0, 0));
}

bool installer::select_combo(int id, int index) const
{
    HWND combo = control(id);
    if (!user_can_reach(combo))
        return false;
    if (SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0) != index)
        return false;
    // Posted: the handler may put up a box of its own.
    return PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(combo)) != FALSE;
}

bool installer::select_language(int language) const
{
    std::vector<combo_item> items = combo_items(IDC_LANGUAGE_LIST);
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].data == language)
            return select_combo(IDC_LANGUAGE_LIST, static_cast<int>(i));
    return false;
}

bool installer::switch_language(int language) const
{
    std::wstring before = title();
    if (!select_language(language) || !wait_until([&] { return title() != before; }))
        return false;
    // The title is the first text the frame re-labels, in one handler that
    // pumps no messages: a message sent now is handled after it.
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(m_frame, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored) != 0;
}

void installer::system_command(UINT command) const
{
    PostMessageW(m_frame, WM_SYSCOMMAND, command, 0);
}

std::optional<std::wstring> installer::system_menu_text(UINT command) const
{
    HMENU menu = GetSystemMenu(m_frame, FALSE);
    if (!menu)
        return std::nullopt;
    wchar_t text[256] = {};
    int n = GetMenuStringW(menu, command, text, 256, MF_BYCOMMAND);
    if (n <= 0)
        return std::nullopt;
    return std::wstring(text, static_cast<size_t>(n));
}

bool installer::screenshot(const std::wstring& path, HWND wnd) const
{
    if (!wnd)
        wnd = m_frame;
    RECT r = {};
    if (!GetWindowRect(wnd, &r))
        return false;
    HDC screen = GetDC(nullptr);
    bool ok = write_bmp(path, screen, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ReleaseDC(nullptr, screen);
    return ok;
}

// Windows worked by handle

namespace {

struct find_descendant_by {
    const wchar_t* className;
    const std::wstring* text;
    HWND found = nullptr;
};

BOOL CALLBACK match_descendant(HWND wnd, LPARAM param)
{
    auto* f = reinterpret_cast<find_descendant_by*>(param);
    if (class_name(wnd) != f->className)
        return TRUE;
    if (f->text && (!IsWindowVisible(wnd) || window_text(wnd) != *f->text))
        return TRUE;
    f->found = wnd;
    return FALSE;
}

HTREEITEM tree_next(HWND tree, UINT relation, HTREEITEM item)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item), SMTO_ABORTIFHUNG, 5000,
                             &answer))
        return nullptr;
    return reinterpret_cast<HTREEITEM>(answer);
}

} // namespace

HWND find_descendant(HWND parent, const wchar_t* className)
{
    find_descendant_by f{className, nullptr};
    EnumChildWindows(parent, match_descendant, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

HWND find_static_text(HWND parent, const std::wstring& text)
{
    find_descendant_by f{L"Static", &text};
    EnumChildWindows(parent, match_descendant, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

bool click_in(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    return user_can_reach(button) && PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

bool type_into(HWND wnd, const std::wstring& text)
{
    DWORD_PTR done = 0;
    return user_can_reach(wnd) && SendMessageTimeoutW(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                              SMTO_ABORTIFHUNG, 5000, &done);
}

HTREEITEM tree_root(HWND tree)
{
    return tree_next(tree, TVGN_ROOT, nullptr);
}

HTREEITEM tree_selection(HWND tree)
{
    return tree_next(tree, TVGN_CARET, nullptr);
}

HTREEITEM tree_parent(HWND tree, HTREEITEM item)
{
    return tree_next(tree, TVGN_PARENT, item);
}

HTREEITEM tree_next_sibling(HWND tree, HTREEITEM item)
{
    return tree_next(tree, TVGN_NEXT, item);
}

std::wstring tree_text(HWND tree, HTREEITEM item)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(tree, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process || !item)
        return {};
    std::wstring text;
    {
        constexpr size_t text_chars = 260;
        remote_block block(process, sizeof(TVITEMW) + text_chars * sizeof(wchar_t));
        TVITEMW request = {};
        request.mask = TVIF_TEXT | TVIF_HANDLE;
        request.hItem = item;
        request.pszText = reinterpret_cast<wchar_t*>(block.address() + sizeof(TVITEMW));
        request.cchTextMax = text_chars;
        wchar_t buffer[text_chars + 1] = {};
        DWORD_PTR ok = 0;
        if (block && block.write(0, &request, sizeof(request)) &&
            SendMessageTimeoutW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(block.address()), SMTO_ABORTIFHUNG,
                                5000, &ok) &&
            ok && block.read(sizeof(TVITEMW), buffer, text_chars * sizeof(wchar_t)))
            text = buffer;
    }
    CloseHandle(process);
    return text;
}

HTREEITEM tree_child(HWND tree, HTREEITEM item, const std::wstring& text)
{
    if (!user_can_reach(tree))
        return nullptr;
    DWORD_PTR done = 0;
    SendMessageTimeoutW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item), SMTO_ABORTIFHUNG, 5000, &done);
    for (HTREEITEM child = tree_next(tree, TVGN_CHILD, item); child; child = tree_next_sibling(tree, child))
        if (tree_text(tree, child) == text)
            return child;
    return nullptr;
}

bool tree_select(HWND tree, HTREEITEM item)
{
    DWORD_PTR done = 0;
    return user_can_reach(tree) && item &&
           SendMessageTimeoutW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item), SMTO_ABORTIFHUNG,
                               5000, &done) &&
           done;
}

} // namespace gui
