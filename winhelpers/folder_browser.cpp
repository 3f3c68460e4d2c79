#include "winhelpers/folder_browser.h"

#include "winhelpers/folder_paths.h"
#include "winhelpers/hresult_error.h"
#include "winhelpers/owner_window.h"
#include "winhelpers/scoped_current_directory.h"

#include <shlobj.h>
#include <shlwapi.h>

namespace tw {
namespace {

// The tree shows file-system folders and their ancestors only, in the
// resizable dialog; with a subfolder also an edit box whose typed text is
// validated through BFFM_VALIDATEFAILEDW.
constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_NEWDIALOGSTYLE;
constexpr UINT kBrowseFlagsWithEditBox = kBrowseFlags | BIF_EDITBOX | BIF_VALIDATE;
static_assert(kBrowseFlags == 0x49 && kBrowseFlagsWithEditBox == 0x79);

// The class name of the dialog's edit box, compared in a buffer that holds
// these four letters, so that any class whose name begins with them matches.
constexpr wchar_t kEditClass[] = L"Edit";

// A typed text too long for a path buffer (0x800700CE).
constexpr uint32_t kTypedPathTooLong = static_cast<uint32_t>(hresult_from_win32_error(ERROR_FILENAME_EXCED_RANGE));
static_assert(kTypedPathTooLong == 0x800700CEu);

// The user's Documents folder, looked up once per process.
const std::wstring& documents_folder()
{
    static const std::wstring folder = [] {
        wchar_t path[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(owner_window(), CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                    path)))
            path[0] = L'\0';
        return std::wstring(path);
    }();
    return folder;
}

BOOL CALLBACK find_edit_box(HWND wnd, LPARAM found)
{
    wchar_t name[ARRAYSIZE(kEditClass)] = {};
    if (GetClassNameW(wnd, name, ARRAYSIZE(name)) && lstrcmpiW(name, kEditClass) == 0) {
        *reinterpret_cast<HWND*>(found) = wnd;
        return FALSE;
    }
    return TRUE;
}

bool is_drive_letter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

} // namespace

folder_browser::folder_browser(const text_arg& title) : m_title(title.resolve()) {}

void folder_browser::set_root(scoped_item_id_list root)
{
    m_root = std::move(root);
    m_rootParent.clear();
    m_rootParentKnown = false;
}

unsigned folder_browser::flags() const
{
    return m_flags | (m_com ? flag_com_initialized : 0u);
}

const std::wstring& folder_browser::root_parent()
{
    if (!m_rootParentKnown) {
        m_rootParentKnown = true;
        wchar_t path[MAX_PATH] = {};
        if (m_root.valid() && SHGetPathFromIDListW(m_root.get(), path) && PathRemoveFileSpecW(path))
            m_rootParent = path;
    }
    return m_rootParent;
}

bool folder_browser::run(const wchar_t* start, const wchar_t* subfolder)
{
    try {
        HWND owner = owner_window();
        if (!m_com) {
            m_com.emplace();
            if (!m_com->succeeded()) {
                HRESULT hr = m_com->result();
                m_com.reset();
                return show_error_box(owner, static_cast<uint32_t>(hr));
            }
        }
        m_flags &= ~(flag_dialog_initialized | flag_typed_path_accepted);
        prepare(start, subfolder);

        wchar_t displayName[MAX_PATH] = {};
        BROWSEINFOW info = {};
        info.hwndOwner = owner;
        info.pidlRoot = m_root.get();
        info.pszDisplayName = displayName;
        info.lpszTitle = m_title.empty() ? nullptr : m_title.c_str();
        info.ulFlags = m_subfolder.empty() ? kBrowseFlags : kBrowseFlagsWithEditBox;
        info.lpfn = dialog_callback;
        info.lParam = reinterpret_cast<LPARAM>(this);
        scoped_item_id_list chosen(SHBrowseForFolderW(&info));
        m_edit = nullptr;
        if (!chosen.valid())
            return false;
        wchar_t path[MAX_PATH] = {};
        if (!SHGetPathFromIDListW(chosen.get(), path))
            return false;
        // A typed path that was accepted stands for itself; the item the
        // dialog returns is then only the tree's selection.
        if (!(m_flags & flag_typed_path_accepted))
            m_current = path;
        return true;
    } catch (...) {
        return false;
    }
}

void folder_browser::prepare(const wchar_t* start, const wchar_t* subfolder)
{
    m_current = start && *start && !PathIsRelativeW(start) ? start : L"";
    if (m_current.empty() && m_root.valid()) {
        wchar_t root[MAX_PATH] = {};
        if (SHGetPathFromIDListW(m_root.get(), root))
            m_current = root;
    }
    if (!m_current.empty() && m_current.back() == L':')
        m_current += L'\\';
    if (m_current.empty())
        m_current = documents_folder();
    m_subfolder = subfolder && is_valid_path_text(subfolder) ? subfolder : L"";
    apply_subfolder();
}

void folder_browser::apply_subfolder()
{
    m_current = append_subfolder(m_current, m_subfolder);
    if (!m_root.valid() || root_parent().empty())
        return;
    if (std::optional<std::wstring> relative = relative_path(root_parent(), m_current))
        m_current = canonical_path(*relative).value_or(*relative);
}

std::wstring folder_browser::base() const
{
    return folder_without_subfolder(m_current, m_subfolder);
}

std::wstring folder_browser::relative()
{
    return relative_folder_text(root_parent(), m_current);
}

int CALLBACK folder_browser::dialog_callback(HWND dialog, UINT message, LPARAM param, LPARAM data)
{
    auto* self = reinterpret_cast<folder_browser*>(data);
    if (!self)
        return 0;
    try {
        switch (message) {
        case BFFM_INITIALIZED:
            self->on_initialized(dialog);
            break;
        case BFFM_SELCHANGED:
            self->on_selection_changed(dialog, reinterpret_cast<PCIDLIST_ABSOLUTE>(param));
            break;
        case BFFM_VALIDATEFAILEDW:
            return self->on_validate_failed(dialog, reinterpret_cast<const wchar_t*>(param));
        default:
            break;
        }
    } catch (...) {
        // Nothing leaves the callback; a failed validation keeps the dialog open.
        return message == BFFM_VALIDATEFAILEDW ? 1 : 0;
    }
    return 0;
}

void folder_browser::on_initialized(HWND dialog)
{
    m_flags |= flag_dialog_initialized;
    wchar_t candidate[MAX_PATH] = {};
    const std::wstring& parent = root_parent();
    bool formed = parent.empty() ? SUCCEEDED(copy_to_path_buffer(candidate, m_current))
                                 : SUCCEEDED(copy_to_path_buffer(candidate, parent)) &&
                                       PathAppendW(candidate, m_current.c_str());
    bool selected = false;
    if (formed) {
        // The deepest existing folder on the way to the candidate.
        while (!PathIsDirectoryW(candidate) && PathRemoveFileSpecW(candidate)) {
        }
        if (PathIsDirectoryW(candidate)) {
            SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(candidate));
            SendMessageW(dialog, BFFM_SETEXPANDED, TRUE, reinterpret_cast<LPARAM>(candidate));
            selected = true;
        }
    }
    if (!m_subfolder.empty()) {
        HWND edit = nullptr;
        EnumChildWindows(dialog, find_edit_box, reinterpret_cast<LPARAM>(&edit));
        m_edit = edit;
    }
    if (selected && m_edit)
        show_in_edit();
}

void folder_browser::on_selection_changed(HWND dialog, PCIDLIST_ABSOLUTE item)
{
    if (!(m_flags & flag_dialog_initialized))
        return;
    wchar_t path[MAX_PATH] = {};
    bool converted = item && SHGetPathFromIDListW(item, path);
    if (converted) {
        m_current = path;
        apply_subfolder();
    }
    if (m_edit)
        show_in_edit();
    if (m_subfolder.empty())
        SendMessageW(dialog, BFFM_ENABLEOK, 0, converted ? TRUE : FALSE);
}

void folder_browser::show_in_edit() const
{
    SetWindowTextW(m_edit, m_current.c_str());
    SendMessageW(m_edit, EM_SETSEL, 0, -1);
}

int folder_browser::on_validate_failed(HWND dialog, const wchar_t* typed)
{
    uint32_t code = accept_typed_path(typed);
    if (code == 0)
        return 0;
    show_error_box(dialog, code);
    return 1;
}

uint32_t folder_browser::accept_typed_path(const wchar_t* typed)
{
    wchar_t text[MAX_PATH];
    if (FAILED(copy_to_path_buffer(text, typed ? typed : L"")))
        return kTypedPathTooLong;
    PathRemoveBlanksW(text);
    PathRemoveBackslashW(text);
    if (is_drive_letter(text[0]) && text[1] == L':' && text[2] == L'\0') {
        // A bare drive means its root, not the drive's current directory.
        text[2] = L'\\';
        text[3] = L'\0';
    }
    if (text[0] == L'\0') {
        DWORD n = GetCurrentDirectoryW(MAX_PATH, text);
        if (n == 0)
            return GetLastError();
        if (n >= MAX_PATH)
            return ERROR_FILENAME_EXCED_RANGE;
    }
    const std::wstring& parent = root_parent();
    wchar_t qualified[MAX_PATH] = {};
    bool valid = false;
    {
        // A relative text is taken from the root's parent folder.
        scoped_current_directory restore;
        if (!parent.empty()) {
            HRESULT hr = change_current_directory(parent, restore);
            if (FAILED(hr))
                return static_cast<uint32_t>(hr);
        }
        valid = PathSearchAndQualifyW(text, qualified, MAX_PATH) != FALSE;
    }
    if (valid && !parent.empty())
        valid = PathCommonPrefixW(qualified, parent.c_str(), nullptr) == static_cast<int>(parent.size());
    if (valid)
        valid = is_valid_path_text(qualified);
    if (!valid)
        return ERROR_BAD_PATHNAME;
    m_current = qualified;
    m_flags |= flag_typed_path_accepted;
    return 0;
}

std::wstring browse_for_folder(std::wstring& start, const wchar_t* subfolder, const text_arg& title)
{
    try {
        folder_browser browser(title);
        if (!browser.run(start.c_str(), subfolder))
            return {};
        std::wstring chosen = browser.current();
        start = browser.base();
        return chosen;
    } catch (...) {
        return {};
    }
}

std::wstring browse_for_start_menu_folder(std::wstring& start, const wchar_t* subfolder, const text_arg& title,
                                          std::wstring& relative)
{
    try {
        folder_browser browser(title);
        scoped_item_id_list root;
        HRESULT hr = SHGetSpecialFolderLocation(owner_window(), CSIDL_COMMON_PROGRAMS, root.receive());
        if (FAILED(hr)) {
            show_error_box(owner_window(), static_cast<uint32_t>(hr));
            return {};
        }
        browser.set_root(std::move(root));
        if (!browser.run(start.c_str(), subfolder))
            return {};
        std::wstring chosen = browser.current();
        std::wstring chosenRelative = browser.relative();
        start = browser.base();
        relative = std::move(chosenRelative);
        return chosen;
    } catch (...) {
        return {};
    }
}

} // namespace tw
