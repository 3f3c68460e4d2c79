// The folder browser in-process: its path rules as tables, and its dialog
// callback driven with the messages Windows sends. Wine's browse dialog never
// sends BFFM_VALIDATEFAILEDW (it ignores the edit box), so the validation of
// typed paths is only reachable this way under Wine; a stand-in dialog window
// answers BFFM_SETSELECTIONW as Windows does, with BFFM_SELCHANGED.
#include "tests/common/box_answerer.h"
#include "winhelpers/folder_browser.h"
#include "winhelpers/folder_paths.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shlwapi.h>
#include <strsafe.h>

#include <chrono>
#include <optional>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::wstring special_folder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE);
    return path;
}

std::wstring start_menu()
{
    return special_folder(CSIDL_COMMON_STARTMENU);
}

std::wstring current_directory()
{
    wchar_t path[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, path);
    return path;
}

// The system's own text for a code, without its trailing line break.
std::wstring system_text(DWORD code)
{
    wchar_t text[1024] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, 1024, nullptr);
    std::wstring s = text;
    while (!s.empty() && (s.back() == L'\n' || s.back() == L'\r'))
        s.pop_back();
    return s;
}

tw::scoped_item_id_list item_of(const std::wstring& path)
{
    tw::scoped_item_id_list item;
    SHParseDisplayName(path.c_str(), nullptr, item.receive(), 0, nullptr);
    return item;
}

tw::scoped_item_id_list common_programs()
{
    tw::scoped_item_id_list root;
    SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_PROGRAMS, root.receive());
    return root;
}

void make_folders(const std::wstring& path)
{
    SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    ASSERT_TRUE(PathIsDirectoryW(path.c_str())) << "fixture folder";
}

// Path rules

struct CopyCase {
    size_t length;
    HRESULT result;
    size_t copied;
};

TEST(PathBuffer, CopiesAtMost259Characters)
{
    const CopyCase cases[] = {
        {0, S_OK, 0}, {1, S_OK, 1}, {259, S_OK, 259}, {260, STRSAFE_E_INSUFFICIENT_BUFFER, 259},
        {600, STRSAFE_E_INSUFFICIENT_BUFFER, 259},
    };
    static_assert(STRSAFE_E_INSUFFICIENT_BUFFER == static_cast<HRESULT>(0x8007007A));
    for (const CopyCase& c : cases) {
        SCOPED_TRACE(c.length);
        wchar_t buffer[MAX_PATH];
        std::wstring source(c.length, L'x');
        EXPECT_EQ(tw::copy_to_path_buffer(buffer, source), c.result);
        EXPECT_EQ(std::wstring(buffer), source.substr(0, c.copied));
    }
}

struct DepthCase {
    const wchar_t* path;
    const wchar_t* subfolder;
    size_t depth;
};

TEST(Subfolder, DepthCountsTheTrailingComponentsThatAreTheSubfolder)
{
    const DepthCase cases[] = {
        {L"C:\\Apps\\Korvane 6", L"Korvane 6", 1},
        {L"C:\\Apps\\KORVANE 6\\", L"korvane 6", 1},  // letter case and trailing backslash
        {L"C:\\Apps\\A\\B", L"A\\B", 2},
        {L"C:\\Apps\\A", L"A\\B", 0},                  // ends in the first name only
        {L"C:\\Apps\\B", L"A\\B", 0},                  // the last name alone is not the subfolder
        {L"C:\\X\\A\\B", L"A\\B\\", 2},
        {L"Korvane 6", L"Korvane 6", 0},               // needs more components than the subfolder
        {L"C:\\Korvane 6", L"Korvane 6", 1},
        {L"C:\\Apps\\Korvane 6 Beta", L"Korvane 6", 0},
        {L"C:\\Apps", L"", 0},
    };
    for (const DepthCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.path)) + " " + testing::PrintToString(std::wstring(c.subfolder)));
        EXPECT_EQ(tw::subfolder_depth(c.path, c.subfolder), c.depth);
    }
}

struct PathPairCase {
    std::wstring first;
    std::wstring second;
    std::wstring expected;
};

template <size_t N>
void expect_each(const PathPairCase (&cases)[N], std::wstring (*rule)(const std::wstring&, const std::wstring&))
{
    for (const PathPairCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.first) + ", " + testing::PrintToString(c.second));
        EXPECT_EQ(rule(c.first, c.second), c.expected);
    }
}

TEST(Subfolder, AppendedWithoutRepeatingWhatThePathEndsWith)
{
    const std::wstring longPath = L"C:\\" + std::wstring(250, L'a');
    const PathPairCase cases[] = {
        {L"C:\\Apps", L"Korvane 6", L"C:\\Apps\\Korvane 6"},
        {L"C:\\", L"Korvane 6", L"C:\\Korvane 6"},
        {L"C:\\Apps\\", L"Korvane 6", L"C:\\Apps\\Korvane 6"},
        {L"C:\\Apps\\Korvane 6", L"Korvane 6", L"C:\\Apps\\Korvane 6"},
        {L"C:\\Apps\\korvane 6", L"Korvane 6", L"C:\\Apps\\korvane 6"},
        {L"C:\\Apps", L"A\\B", L"C:\\Apps\\A\\B"},
        {L"C:\\Apps\\A", L"A\\B", L"C:\\Apps\\A\\B"},  // only B is appended
        {L"C:\\Apps\\A\\B", L"A\\B", L"C:\\Apps\\A\\B"},
        {L"C:\\Apps\\A", L"A\\B\\C", L"C:\\Apps\\A\\B\\C"},
        {L"C:\\Apps\\A\\B", L"A\\B\\C", L"C:\\Apps\\A\\B\\C"},
        {L"C:\\Apps", L"", L"C:\\Apps"},
        {longPath, L"Korvane 6", longPath},  // would pass MAX_PATH: left as it was
    };
    expect_each(cases, tw::append_subfolder);
}

TEST(Results, BaseIsTheFolderWithoutTheAppendedSubfolder)
{
    const PathPairCase cases[] = {
        {L"C:\\Apps\\Korvane 6", L"Korvane 6", L"C:\\Apps"},
        {L"C:\\Korvane 6", L"Korvane 6", L"C:\\"},
        {L"C:\\Apps\\Korvane 6\\", L"Korvane 6", L"C:\\Apps"},
        {L"C:\\Apps\\A\\B", L"A\\B", L"C:\\Apps"},
        {L"C:\\Apps\\B", L"A\\B", L"C:\\Apps\\B"},
        {L"C:\\Apps", L"Korvane 6", L"C:\\Apps"},
        {L"C:\\Apps\\Korvane 6", L"", L"C:\\Apps\\Korvane 6"},
    };
    expect_each(cases, tw::folder_without_subfolder);
}

TEST(Results, RelativeIsTakenFromTheStartMenuFolder)
{
    const std::wstring menu = start_menu();
    ASSERT_FALSE(menu.empty());
    const PathPairCase cases[] = {
        {menu, menu + L"\\Programs", L"Programs"},
        {menu, menu + L"\\Programs\\Tarnwick\\Korvane 6", L"Programs\\Tarnwick\\Korvane 6"},
        {menu, menu, L""},
        {menu, L"D:\\Menu\\Korvane 6", L"D:\\Menu\\Korvane 6"},  // another drive: no relation
        {L"", menu + L"\\Programs", menu + L"\\Programs"},      // no parent folder
    };
    expect_each(cases, tw::relative_folder_text);
}

TEST(Results, BaseAndRelativeOfATypedStartMenuFolder)
{
    const std::wstring menu = start_menu();
    struct Case {
        const wchar_t* typed;
        std::wstring base;
        const wchar_t* relative;
    } cases[] = {
        {L"Programs\\Games\\Korvane 6", menu + L"\\Programs\\Games", L"Programs\\Games\\Korvane 6"},
        {L"Programs", menu + L"\\Programs", L"Programs"},
        {L"Programs\\Korvane 6\\Korvane 6", menu + L"\\Programs\\Korvane 6", L"Programs\\Korvane 6\\Korvane 6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.typed)));
        tw::folder_browser browser(nullptr);
        browser.set_root(common_programs());
        browser.prepare(nullptr, L"Korvane 6");
        ASSERT_EQ(tw::folder_browser::dialog_callback(nullptr, BFFM_VALIDATEFAILEDW,
                                                      reinterpret_cast<LPARAM>(c.typed),
                                                      reinterpret_cast<LPARAM>(&browser)),
                  0);
        EXPECT_EQ(browser.base(), c.base);
        EXPECT_EQ(browser.relative(), c.relative);
    }
}

struct PrepareCase {
    const wchar_t* start;
    const wchar_t* subfolder;
    bool startMenu;
    std::wstring expected;
};

TEST(Prepare, StartFolderAndSubfolder)
{
    const std::wstring documents = special_folder(CSIDL_PERSONAL);
    const std::wstring menu = start_menu();
    ASSERT_FALSE(documents.empty());
    const std::wstring programsFolder = menu + L"\\Programs\\Tarnwick\\Korvane 6";
    const PrepareCase cases[] = {
        {L"D:", L"Korvane 6", false, L"D:\\Korvane 6"},  // a colon gets its backslash first
        {L"D:", nullptr, false, L"D:\\"},
        {L"C:\\Apps", L"Korvane 6", false, L"C:\\Apps\\Korvane 6"},
        {L"C:\\Apps\\Korvane 6", L"Korvane 6", false, L"C:\\Apps\\Korvane 6"},
        {L"C:\\Apps\\A", L"A\\B", false, L"C:\\Apps\\A\\B"},
        {L"C:\\Apps", L"Korv*ne", false, L"C:\\Apps"},   // a wildcard drops the subfolder
        {L"C:\\Apps", L"Korv|ne", false, L"C:\\Apps"},   // so does an invalid character
        {L"Apps", L"Korvane 6", false, documents + L"\\Korvane 6"},  // relative: Documents
        {L"", nullptr, false, documents},
        {nullptr, nullptr, false, documents},
        {nullptr, L"Korvane 6", true, L"Programs\\Korvane 6"},       // the root, relative to its parent
        {L"Apps", nullptr, true, L"Programs"},
        {programsFolder.c_str(), L"Korvane 6", true, L"Programs\\Tarnwick\\Korvane 6"},
    };
    for (const PrepareCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.start ? c.start : L"(null)")) + " " +
                     testing::PrintToString(std::wstring(c.subfolder ? c.subfolder : L"(null)")));
        tw::folder_browser browser(nullptr);
        if (c.startMenu)
            browser.set_root(common_programs());
        browser.prepare(c.start, c.subfolder);
        EXPECT_EQ(browser.current(), c.expected);
    }
    tw::folder_browser dropped(nullptr);
    dropped.prepare(L"C:\\Apps", L"Korv?ne");
    EXPECT_TRUE(dropped.subfolder().empty());
}

TEST(Browser, TitleFromTextOrStringResource)
{
    EXPECT_EQ(tw::folder_browser(L"Pick a folder").title(), L"Pick a folder");
    EXPECT_EQ(tw::folder_browser(nullptr).title(), L"");
    EXPECT_EQ(tw::folder_browser(static_cast<UINT>(0xFFF0)).title(), L"") << "no such string";
}

// The dialog callback

// A stand-in for the browse dialog: an edit box, and BFFM_SETSELECTIONW
// answered as Windows does, by reporting the new selection.
class FakeBrowseDialog {
public:
    explicit FakeBrowseDialog(tw::folder_browser& browser) : m_browser(browser)
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TwFakeBrowseDialog";
        RegisterClassW(&wc);
        m_wnd = CreateWindowExW(0, wc.lpszClassName, L"Browse", WS_POPUP | WS_CAPTION, 0, 0, 300, 200, nullptr,
                                nullptr, wc.hInstance, this);
        CreateWindowExW(0, L"STATIC", L"title", WS_CHILD, 0, 0, 100, 20, m_wnd, nullptr, nullptr, nullptr);
        m_edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 20, 280, 20, m_wnd, nullptr,
                                 nullptr, nullptr);
    }
    ~FakeBrowseDialog() { DestroyWindow(m_wnd); }

    HWND wnd() const { return m_wnd; }
    std::wstring edit_text() const
    {
        wchar_t text[MAX_PATH * 2] = {};
        GetWindowTextW(m_edit, text, MAX_PATH * 2);
        return text;
    }
    bool edit_all_selected() const
    {
        DWORD from = 0, to = 0;
        SendMessageW(m_edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        return from == 0 && to == static_cast<DWORD>(GetWindowTextLengthW(m_edit));
    }
    int send(UINT message, LPARAM param) { return tw::folder_browser::dialog_callback(m_wnd, message, param, data()); }
    int select(const std::wstring& path)
    {
        tw::scoped_item_id_list item = item_of(path);
        return send(BFFM_SELCHANGED, reinterpret_cast<LPARAM>(item.get()));
    }

    std::vector<std::wstring> selections;
    std::vector<std::wstring> expansions;
    std::vector<bool> okStates;

private:
    LPARAM data() const { return reinterpret_cast<LPARAM>(&m_browser); }

    static LRESULT CALLBACK procedure(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(wnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<FakeBrowseDialog*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (self && message == BFFM_SETSELECTIONW && wParam) {
            self->selections.push_back(reinterpret_cast<const wchar_t*>(lParam));
            self->select(self->selections.back());
            return TRUE;
        }
        if (self && message == BFFM_SETEXPANDED && wParam) {
            self->expansions.push_back(reinterpret_cast<const wchar_t*>(lParam));
            return TRUE;
        }
        if (self && message == BFFM_ENABLEOK) {
            self->okStates.push_back(lParam != 0);
            return 0;
        }
        return DefWindowProcW(wnd, message, wParam, lParam);
    }

    tw::folder_browser& m_browser;
    HWND m_wnd = nullptr;
    HWND m_edit = nullptr;
};

class BrowseCallback : public ::testing::Test {
protected:
    void SetUp() override
    {
        make_folders(L"C:\\tw_browse\\Apps\\Tools\\Korvane 6");
    }
};

TEST_F(BrowseCallback, InitialisedOpensOnTheDeepestExistingFolderAndShowsItWithTheSubfolder)
{
    struct Case {
        const wchar_t* start;
        const wchar_t* selected;
        const wchar_t* shown;
    } cases[] = {
        {L"C:\\tw_browse\\Apps", L"C:\\tw_browse\\Apps", L"C:\\tw_browse\\Apps\\Korvane 6"},
        {L"C:\\tw_browse\\Apps\\New\\Deeper", L"C:\\tw_browse\\Apps", L"C:\\tw_browse\\Apps\\Korvane 6"},
        {L"C:\\tw_browse\\Apps\\Tools\\Korvane 6", L"C:\\tw_browse\\Apps\\Tools\\Korvane 6",
         L"C:\\tw_browse\\Apps\\Tools\\Korvane 6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.start)));
        tw::folder_browser browser(nullptr);
        browser.prepare(c.start, L"Korvane 6");
        FakeBrowseDialog dialog(browser);
        EXPECT_EQ(dialog.send(BFFM_INITIALIZED, 0), 0);
        EXPECT_TRUE(browser.flags() & tw::folder_browser::flag_dialog_initialized);
        ASSERT_EQ(dialog.selections.size(), 1u);
        EXPECT_EQ(dialog.selections[0], c.selected);
        ASSERT_EQ(dialog.expansions.size(), 1u);
        EXPECT_EQ(dialog.expansions[0], c.selected);
        EXPECT_EQ(dialog.edit_text(), c.shown);
        EXPECT_TRUE(dialog.edit_all_selected());
        EXPECT_TRUE(dialog.okStates.empty()) << "OK is the dialog's own business when a subfolder is shown";
    }
}

TEST_F(BrowseCallback, SelectionChangesShowTheSelectionWithTheSubfolder)
{
    tw::folder_browser browser(nullptr);
    browser.prepare(L"C:\\tw_browse\\Apps", L"Korvane 6");
    FakeBrowseDialog dialog(browser);
    // Before the dialog reports that it is initialised, selections are ignored.
    dialog.select(L"C:\\");
    EXPECT_EQ(browser.current(), L"C:\\tw_browse\\Apps\\Korvane 6");
    dialog.send(BFFM_INITIALIZED, 0);

    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\", L"C:\\Korvane 6"},
        {L"C:\\tw_browse\\Apps\\Tools", L"C:\\tw_browse\\Apps\\Tools\\Korvane 6"},
        {L"C:\\tw_browse\\Apps\\Tools\\Korvane 6", L"C:\\tw_browse\\Apps\\Tools\\Korvane 6"},
    };
    for (const auto& [selected, shown] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(selected)));
        EXPECT_EQ(dialog.select(selected), 0);
        EXPECT_EQ(browser.current(), shown);
        EXPECT_EQ(dialog.edit_text(), shown);
        EXPECT_TRUE(dialog.edit_all_selected());
    }

    // A two-name subfolder and a selection ending in its first name.
    tw::folder_browser twoNames(nullptr);
    twoNames.prepare(L"C:\\tw_browse", L"Apps\\Korvane 6");
    FakeBrowseDialog second(twoNames);
    second.send(BFFM_INITIALIZED, 0);
    second.select(L"C:\\tw_browse\\Apps");
    EXPECT_EQ(second.edit_text(), L"C:\\tw_browse\\Apps\\Korvane 6");
}

TEST_F(BrowseCallback, WithoutSubfolderOkFollowsWhetherTheSelectionIsAFolderPath)
{
    tw::folder_browser browser(nullptr);
    browser.prepare(L"C:\\tw_browse\\Apps", nullptr);
    FakeBrowseDialog dialog(browser);
    dialog.send(BFFM_INITIALIZED, 0);
    EXPECT_EQ(dialog.edit_text(), L"") << "no edit box is looked for without a subfolder";
    dialog.okStates.clear();
    dialog.select(L"C:\\tw_browse\\Apps\\Tools");
    tw::scoped_item_id_list computer;
    ASSERT_HRESULT_SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, computer.receive()));
    dialog.send(BFFM_SELCHANGED, reinterpret_cast<LPARAM>(computer.get()));
    EXPECT_EQ(dialog.okStates, (std::vector<bool>{true, false}));
    EXPECT_EQ(browser.current(), L"C:\\tw_browse\\Apps\\Tools") << "a selection without a path changes nothing";
    EXPECT_EQ(dialog.edit_text(), L"");
}

struct TypedCase {
    std::wstring typed;
    bool startMenu;
    std::wstring accepted;  // the path taken; empty: refused
    DWORD error;            // the code whose system text the box shows
};

TEST_F(BrowseCallback, TypedPathsAreQualifiedOrRefusedOverTheDialog)
{
    const std::wstring menu = start_menu();
    // A current directory outside the Start menu, so that a change left behind shows.
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\tw_browse"));
    const std::wstring cwd = current_directory();
    ASSERT_EQ(cwd, L"C:\\tw_browse");
    const std::wstring prefix = L"C:\\tw_browse\\";
    const std::wstring longest = prefix + std::wstring(259 - prefix.size(), L'a');
    ASSERT_EQ(longest.size(), 259u);
    const TypedCase cases[] = {
        {L"C:", false, L"C:\\", 0},  // the drive's root, not its current directory
        {L"c:\\", false, L"c:\\", 0},
        {L"  C:\\tw_browse\\Apps\\  ", false, L"C:\\tw_browse\\Apps", 0},
        {L"C:\\tw_browse\\New Folder", false, L"C:\\tw_browse\\New Folder", 0},
        {L"C:\\tw_browse\\a*b", false, L"", ERROR_BAD_PATHNAME},
        {L"C:\\tw_browse\\a?b", false, L"", ERROR_BAD_PATHNAME},
        {L"", false, cwd, 0},
        {longest, false, longest, 0},
        {longest + L"a", false, L"", ERROR_FILENAME_EXCED_RANGE},
        // Inside the Start menu: relative texts are taken from the Start-menu folder.
        {L"Programs\\Tarnwick", true, menu + L"\\Programs\\Tarnwick", 0},
        {L"Programs", true, menu + L"\\Programs", 0},
        {menu + L"\\Programs\\Games\\Korvane 6", true, menu + L"\\Programs\\Games\\Korvane 6", 0},
        {L"C:\\tw_browse\\Apps", true, L"", ERROR_BAD_PATHNAME},
        {L"..\\Elsewhere", true, L"", ERROR_BAD_PATHNAME},
        {menu + L" Extra\\Programs", true, L"", ERROR_BAD_PATHNAME},
        {L"Programs\\a*b", true, L"", ERROR_BAD_PATHNAME},
    };
    for (const TypedCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.typed));
        tw::folder_browser browser(nullptr);
        if (c.startMenu)
            browser.set_root(common_programs());
        browser.prepare(c.startMenu ? nullptr : L"C:\\tw_browse\\Apps", L"Korvane 6");
        FakeBrowseDialog dialog(browser);
        dialog.send(BFFM_INITIALIZED, 0);
        const std::wstring shown = browser.current();
        int result = -1;
        std::wstring boxText;
        bool boxShown = boxes::answer_box_owned_by(
            dialog.wnd(), IDOK, [&](HWND box) { boxText = boxes::box_text(box); },
            [&] { result = dialog.send(BFFM_VALIDATEFAILEDW, reinterpret_cast<LPARAM>(c.typed.c_str())); });
        EXPECT_EQ(current_directory(), cwd) << "the current directory is restored";
        if (c.accepted.empty()) {
            EXPECT_EQ(result, 1) << "the dialog stays open";
            ASSERT_TRUE(boxShown) << "no error box over the dialog";
            EXPECT_EQ(boxText, system_text(c.error));
            EXPECT_FALSE(browser.flags() & tw::folder_browser::flag_typed_path_accepted);
            EXPECT_EQ(browser.current(), shown);
        } else {
            EXPECT_EQ(result, 0) << "the dialog closes";
            EXPECT_FALSE(boxShown) << testing::PrintToString(boxText);
            EXPECT_TRUE(browser.flags() & tw::folder_browser::flag_typed_path_accepted);
            EXPECT_EQ(browser.current(), c.accepted);
        }
    }
}

// A thread that presses Cancel in this process's browse dialog once it shows.
std::thread cancel_the_browse_dialog()
{
    return std::thread([] {
        auto deadline = std::chrono::steady_clock::now() + 15s;
        while (std::chrono::steady_clock::now() < deadline) {
            for (HWND dialog = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); dialog;
                 dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr)) {
                DWORD pid = 0;
                GetWindowThreadProcessId(dialog, &pid);
                if (pid == GetCurrentProcessId() && IsWindowVisible(dialog)) {
                    PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
                    return;
                }
            }
            std::this_thread::sleep_for(15ms);
        }
    });
}

// The object owns its COM initialisation: after a run, the thread is back
// where it was, so a new initialisation is the first one again.
TEST(BrowserLifetime, ComIsInitialisedForTheRunAndReleasedWithTheObject)
{
    {
        tw::folder_browser browser(L"Lifetime");
        std::thread canceller = cancel_the_browse_dialog();
        EXPECT_FALSE(browser.run(L"C:\\", L"Korvane 6")) << "cancelled";
        canceller.join();
        EXPECT_TRUE(browser.flags() & tw::folder_browser::flag_com_initialized);
        EXPECT_FALSE(browser.flags() & tw::folder_browser::flag_reserved);
    }
    HRESULT again = CoInitialize(nullptr);
    EXPECT_EQ(again, S_OK) << "COM was left initialised";
    if (SUCCEEDED(again))
        CoUninitialize();
}

TEST(BrowserOperations, CancelLeavesTheStartFolderAndReturnsNothing)
{
    std::thread canceller = cancel_the_browse_dialog();
    std::wstring start = L"C:\\tw_browse\\Apps";
    std::wstring relative = L"unchanged";
    EXPECT_EQ(tw::browse_for_start_menu_folder(start, L"Korvane 6", L"Title", relative), L"");
    canceller.join();
    EXPECT_EQ(start, L"C:\\tw_browse\\Apps");
    EXPECT_EQ(relative, L"unchanged");
}

} // namespace
