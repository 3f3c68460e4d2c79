#pragma once
// The shell's folder browser with what the plain dialog lacks: a start folder,
// a subfolder appended to whatever is selected, an edit box that shows the
// resulting path and takes a typed one, validation of a typed path, and an
// optional root so that the browser stays inside one part of the namespace.
#include "winhelpers/message_boxes.h"
#include "winhelpers/scoped_com.h"
#include "winhelpers/scoped_item_id_list.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tw {

class folder_browser {
public:
    // Flag bits.
    static constexpr unsigned flag_com_initialized = 0x1;    // this object owes COM one CoUninitialize
    static constexpr unsigned flag_dialog_initialized = 0x2; // the dialog has reported BFFM_INITIALIZED
    static constexpr unsigned flag_typed_path_accepted = 0x4;
    static constexpr unsigned flag_reserved = 0x8;           // stays clear

    // `title`: a text, a string-resource identifier, or null for none.
    explicit folder_browser(const text_arg& title);
    folder_browser(const folder_browser&) = delete;
    folder_browser& operator=(const folder_browser&) = delete;

    // The tree's root; none (the whole namespace) unless set.
    void set_root(scoped_item_id_list root);

    // Shows the dialog, modal to the helper layer's owner window. True when a
    // folder was chosen; current() then holds it. `start` and `subfolder` may
    // be null.
    bool run(const wchar_t* start, const wchar_t* subfolder);

    // What the dialog opens on: `current` from the start folder (an empty or
    // relative one counts as none: the root, else the user's Documents
    // folder), with the subfolder applied. Run calls it; exposed for tests.
    void prepare(const wchar_t* start, const wchar_t* subfolder);

    // The path being chosen; the result after a successful run. While the
    // dialog is open and a root is set, relative to root_parent().
    const std::wstring& current() const { return m_current; }
    const std::wstring& subfolder() const { return m_subfolder; }
    const std::wstring& title() const { return m_title; }
    unsigned flags() const;
    // The file-system path of the root's parent, found on first use; empty
    // without a root or when it cannot be found.
    const std::wstring& root_parent();

    // The chosen folder without the appended subfolder.
    std::wstring base() const;
    // The chosen folder relative to root_parent() (empty for that folder
    // itself), or current() when there is none or the relation cannot be formed.
    std::wstring relative();

    // The dialog's callback (BFFM_* messages), with this object as `data`.
    // Public so that tests can send it what Windows sends.
    static int CALLBACK dialog_callback(HWND dialog, UINT message, LPARAM param, LPARAM data);

private:
    void apply_subfolder();
    void on_initialized(HWND dialog);
    void on_selection_changed(HWND dialog, PCIDLIST_ABSOLUTE item);
    int on_validate_failed(HWND dialog, const wchar_t* typed);
    // 0 when the typed path was accepted, else the code to show.
    uint32_t accept_typed_path(const wchar_t* typed);
    void show_in_edit() const;

    std::wstring m_current;
    std::wstring m_subfolder;
    std::wstring m_title;
    // This object's COM initialisation, when it made one. Declared before the
    // root: the root is freed before COM is uninitialised.
    std::optional<scoped_com_initializer> m_com;
    scoped_item_id_list m_root;
    std::wstring m_rootParent;
    bool m_rootParentKnown = false;
    unsigned m_flags = 0; // flag_dialog_initialized and flag_typed_path_accepted; bit 0 is m_com
    HWND m_edit = nullptr;
};

// The installation-folder browser: on success the chosen folder, and `start`
// becomes it without the appended subfolder; an empty string on cancel or
// failure, `start` unchanged.
std::wstring browse_for_folder(std::wstring& start, const wchar_t* subfolder, const text_arg& title);

// The same inside the common Programs folder of the Start menu; `relative`
// receives the chosen folder relative to the common Start-menu folder.
std::wstring browse_for_start_menu_folder(std::wstring& start, const wchar_t* subfolder, const text_arg& title,
                                          std::wstring& relative);

} // namespace tw
