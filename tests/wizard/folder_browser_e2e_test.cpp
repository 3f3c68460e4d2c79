// The Browse buttons of the folder and shortcut pages, end to end: the real
// installer under Wine opens the shell's browse dialog, which is found by its
// class and owner and worked through its tree and edit box.
//
// Wine's browse dialog shows the edit box but never reads it: OK returns the
// tree's selection and BFFM_VALIDATEFAILEDW is never sent. Where Windows
// would take the typed text, these tests expect what Wine does; the
// validation itself is driven in-process with the messages Windows sends
// (tests/winhelpers/folder_browser_test.cpp).
#include "resources/dialog_ids.h"
#include "tests/driver/gui_driver.h"

#include <gtest/gtest.h>

#include <shlobj.h>

namespace {

using gui::installer;
using gui::lines_of;
using namespace std::chrono_literals;

std::wstring common_start_menu()
{
    wchar_t path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, path, CSIDL_COMMON_STARTMENU, FALSE);
    return path;
}

// Creates `path` and its missing parents in the prefix the installer runs in.
void make_folders(const std::wstring& path)
{
    ASSERT_EQ(SHCreateDirectoryExW(nullptr, path.c_str(), nullptr) == ERROR_SUCCESS ||
                  GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES,
              true)
        << "cannot create the fixture folder";
}

// The shell's browse dialog as the installer shows it.
struct browse_dialog {
    HWND wnd = nullptr;
    HWND tree = nullptr;
    HWND edit = nullptr;

    std::wstring edit_text() const { return gui::window_text(edit); }
    std::wstring selection() const { return gui::tree_text(tree, gui::tree_selection(tree)); }
    // Selects `item` and waits until the edit box shows `expected`.
    bool select(HTREEITEM item, const std::wstring& expected) const
    {
        return gui::tree_select(tree, item) && gui::wait_until([&] { return edit_text() == expected; }, 5s);
    }
    // Selects `folder`, then its own "Korvane 6"; the edit box shows `shown`
    // for both: the product folder is appended to the first and the second
    // is taken as it is.
    void select_folder_and_its_product_folder(HTREEITEM folder, const std::wstring& shown) const
    {
        ASSERT_TRUE(folder);
        EXPECT_TRUE(select(folder, shown)) << testing::PrintToString(edit_text());
        HTREEITEM product = gui::tree_child(tree, folder, L"Korvane 6");
        ASSERT_TRUE(product);
        ASSERT_TRUE(gui::tree_select(tree, product));
        EXPECT_EQ(selection(), L"Korvane 6");
        EXPECT_EQ(edit_text(), shown);
    }
    bool gone() const
    {
        return gui::wait_until([&] { return !IsWindow(wnd); });
    }
};

class FolderBrowsing : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(gui::installer_path().empty()) << "TW_INSTALLER not set";
        app = std::make_unique<installer>();
        ASSERT_TRUE(app->started()) << "no wizard frame";
        ASSERT_TRUE(app->wait_for_page(0));
        next(1);
        ASSERT_TRUE(app->set_checked(IDC_MODE_ADVANCED, true));
        next(2);
    }

    void next(int expected) const
    {
        ASSERT_TRUE(app->click(IDOK)) << "Next not clickable";
        ASSERT_TRUE(app->wait_for_page(expected)) << "now on page " << app->page_index();
    }

    // Clicks Browse and finds the dialog by its class and owner, its tree
    // and its edit box by class.
    browse_dialog browse() const
    {
        browse_dialog d;
        if (!app->click(IDC_BROWSE))
            return d;
        d.wnd = app->wait_for_owned(app->frame(), L"#32770");
        if (!d.wnd)
            return d;
        d.tree = gui::find_descendant(d.wnd, L"SysTreeView32");
        d.edit = gui::find_descendant(d.wnd, L"Edit");
        // The selection arrives while the dialog initialises.
        gui::wait_until([&] { return d.tree && gui::tree_selection(d.tree) != nullptr; }, 5s);
        return d;
    }

    // The folder line of the install page's summary.
    std::wstring summary_line(size_t index) const
    {
        std::vector<std::wstring> lines = lines_of(app->text(IDC_LOG));
        return index < lines.size() ? lines[index] : std::wstring();
    }

    std::unique_ptr<installer> app;
};

TEST_F(FolderBrowsing, FolderPageOpensOnTheFolderAppendsTheProductFolderAndStoresTheChoice)
{
    make_folders(L"C:\\Apps\\Tools\\Korvane 6");
    ASSERT_TRUE(app->set_text(IDC_FOLDER, L"C:\\Apps"));
    browse_dialog d = browse();
    ASSERT_TRUE(d.wnd) << "no browse dialog owned by the frame";
    ASSERT_TRUE(d.tree);
    ASSERT_TRUE(d.edit) << "no edit box";
    EXPECT_TRUE(gui::find_static_text(d.wnd, L"Select 'Korvane' Installation Folder.")) << "title";
    EXPECT_FALSE(IsWindowEnabled(app->frame())) << "modal to the frame";
    EXPECT_EQ(d.selection(), L"Apps");
    EXPECT_EQ(d.edit_text(), L"C:\\Apps\\Korvane 6");
    if (std::wstring dir = gui::screenshot_dir(); !dir.empty()) {
        CreateDirectoryW(dir.c_str(), nullptr);
        EXPECT_TRUE(app->screenshot(dir + L"\\en_browse_folder.bmp", d.wnd));
    }

    // The drive root: the product folder right below it.
    HTREEITEM apps = gui::tree_selection(d.tree);
    HTREEITEM drive = gui::tree_parent(d.tree, apps);
    ASSERT_TRUE(drive);
    EXPECT_TRUE(d.select(drive, L"C:\\Korvane 6")) << testing::PrintToString(d.edit_text());

    HTREEITEM tools = gui::tree_child(d.tree, gui::tree_child(d.tree, drive, L"Apps"), L"Tools");
    d.select_folder_and_its_product_folder(tools, L"C:\\Apps\\Tools\\Korvane 6");

    ASSERT_TRUE(gui::click_in(d.wnd, IDOK));
    ASSERT_TRUE(d.gone());
    EXPECT_TRUE(gui::wait_until([&] { return IsWindowEnabled(app->frame()) != FALSE; }));
    EXPECT_EQ(app->text(IDC_FOLDER), L"C:\\Apps\\Tools\\Korvane 6");
    next(3);
    next(4);
    EXPECT_EQ(summary_line(2), L"Installation Folder: \"C:\\Apps\\Tools\\Korvane 6\".");
}

TEST_F(FolderBrowsing, OkOnAFolderWithoutTheProductFolder)
{
    make_folders(L"C:\\Apps");
    ASSERT_TRUE(app->set_text(IDC_FOLDER, L"C:\\Apps"));
    browse_dialog d = browse();
    ASSERT_TRUE(d.wnd);
    ASSERT_EQ(d.edit_text(), L"C:\\Apps\\Korvane 6");
    ASSERT_TRUE(gui::click_in(d.wnd, IDOK));
    ASSERT_TRUE(d.gone());
    // Windows reads the edit box: the path does not exist, so the dialog
    // asks the callback to validate it and the typed path is kept. Wine
    // returns the tree's selection without reading the edit box.
    EXPECT_EQ(app->text(IDC_FOLDER), gui::on_wine() ? L"C:\\Apps" : L"C:\\Apps\\Korvane 6");
}

struct MissingStartCase {
    const wchar_t* start;
    const wchar_t* selected; // the tree's selection
    const wchar_t* shown;    // the edit box
};

TEST_F(FolderBrowsing, StartFolderThatDoesNotExistYetOpensOnItsDeepestExistingAncestor)
{
    make_folders(L"C:\\Apps");
    const MissingStartCase cases[] = {
        {L"C:\\Apps\\New\\Deeper", L"Apps", L"C:\\Apps\\Korvane 6"},
        // The default folder: the company folder does not exist in a fresh prefix.
        {L"C:\\Program Files\\Tarnwick\\Korvane 6", L"Program Files", L"C:\\Program Files\\Korvane 6"},
    };
    for (const MissingStartCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.start)));
        ASSERT_TRUE(app->set_text(IDC_FOLDER, c.start));
        browse_dialog d = browse();
        ASSERT_TRUE(d.wnd);
        EXPECT_EQ(d.selection(), c.selected);
        EXPECT_EQ(d.edit_text(), c.shown);
        ASSERT_TRUE(gui::click_in(d.wnd, IDCANCEL));
        ASSERT_TRUE(d.gone());
        EXPECT_EQ(app->text(IDC_FOLDER), c.start) << "Cancel changes nothing";
    }
}

TEST_F(FolderBrowsing, TypedPaths)
{
    make_folders(L"C:\\Apps");
    ASSERT_TRUE(app->set_text(IDC_FOLDER, L"C:\\Apps"));

    // A bare drive: Windows qualifies it from the drive's root.
    browse_dialog d = browse();
    ASSERT_TRUE(d.wnd);
    ASSERT_TRUE(gui::type_into(d.edit, L"C:"));
    ASSERT_TRUE(gui::click_in(d.wnd, IDOK));
    ASSERT_TRUE(d.gone());
    EXPECT_EQ(app->text(IDC_FOLDER), gui::on_wine() ? L"C:\\Apps" : L"C:\\");

    // A wildcard: on Windows an error box over the dialog, which stays open.
    ASSERT_TRUE(app->set_text(IDC_FOLDER, L"C:\\Apps"));
    d = browse();
    ASSERT_TRUE(d.wnd);
    ASSERT_TRUE(gui::type_into(d.edit, L"C:\\Apps\\a*b"));
    ASSERT_TRUE(gui::click_in(d.wnd, IDOK));
    if (gui::on_wine()) {
        ASSERT_TRUE(d.gone()) << "Wine closes the dialog without validating";
        EXPECT_EQ(app->text(IDC_FOLDER), L"C:\\Apps");
    } else {
        HWND box = app->wait_for_owned(d.wnd, L"#32770", 5s);
        ASSERT_TRUE(box) << "no error box over the browse dialog";
        wchar_t expected[512] = {};
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_BAD_PATHNAME, 0,
                       expected, 512, nullptr);
        std::wstring text = gui::message_box(box).text();
        EXPECT_EQ(text + L"\r\n", expected);
        EXPECT_FALSE(gui::click_in(d.wnd, IDOK)) << "the dialog is disabled under the box";
        ASSERT_TRUE(gui::message_box(box).press(IDOK));
        EXPECT_TRUE(IsWindow(d.wnd)) << "the dialog stays open";
        ASSERT_TRUE(gui::click_in(d.wnd, IDCANCEL));
        ASSERT_TRUE(d.gone());
        EXPECT_EQ(app->text(IDC_FOLDER), L"C:\\Apps");
    }

    // Cancel after typing changes nothing.
    ASSERT_TRUE(app->set_text(IDC_FOLDER, L"C:\\Apps"));
    d = browse();
    ASSERT_TRUE(d.wnd);
    ASSERT_TRUE(gui::type_into(d.edit, L"D:\\Elsewhere"));
    ASSERT_TRUE(gui::click_in(d.wnd, IDCANCEL));
    ASSERT_TRUE(d.gone());
    EXPECT_EQ(app->text(IDC_FOLDER), L"C:\\Apps");
    next(3);
    next(4);
    EXPECT_EQ(summary_line(2), L"Installation Folder: C:\\Apps.");
}

TEST_F(FolderBrowsing, ShortcutPageBrowsesInsideTheStartMenuAndShowsTheRelativeFolder)
{
    const std::wstring startMenu = common_start_menu();
    ASSERT_FALSE(startMenu.empty());
    make_folders(startMenu + L"\\Programs\\Games\\Korvane 6");
    next(3);
    ASSERT_EQ(app->text(IDC_FOLDER), L"Programs\\Tarnwick\\Korvane 6");
    browse_dialog d = browse();
    ASSERT_TRUE(d.wnd) << "no browse dialog owned by the frame";
    ASSERT_TRUE(d.tree);
    ASSERT_TRUE(d.edit);
    EXPECT_TRUE(gui::find_static_text(d.wnd, L"Create a Shortcut in the following Menu:")) << "title";

    // The tree holds the Programs folder alone; the company folder does not
    // exist yet, so the dialog opens on Programs.
    HTREEITEM root = gui::tree_root(d.tree);
    ASSERT_TRUE(root);
    EXPECT_EQ(gui::tree_text(d.tree, root), L"Programs");
    EXPECT_EQ(gui::tree_next_sibling(d.tree, root), nullptr);
    EXPECT_EQ(gui::tree_parent(d.tree, root), nullptr);
    HTREEITEM selected = gui::tree_selection(d.tree);
    if (gui::on_wine()) {
        // Wine's BFFM_SETSELECTIONW on the tree's root item selects the
        // root's first child instead; the callback shows what is selected.
        EXPECT_EQ(gui::tree_parent(d.tree, selected), root);
        EXPECT_EQ(d.edit_text(), L"Programs\\" + gui::tree_text(d.tree, selected) + L"\\Korvane 6");
    } else {
        EXPECT_EQ(selected, root);
        EXPECT_EQ(d.edit_text(), L"Programs\\Korvane 6");
    }

    d.select_folder_and_its_product_folder(gui::tree_child(d.tree, root, L"Games"), L"Programs\\Games\\Korvane 6");

    ASSERT_TRUE(gui::click_in(d.wnd, IDOK));
    ASSERT_TRUE(d.gone());
    EXPECT_EQ(app->text(IDC_FOLDER), L"Programs\\Games\\Korvane 6");
    next(4);
    EXPECT_EQ(summary_line(3), L"Creating a Shortcut in the Start Menu (Folder \"" + startMenu +
                                   L"\\Programs\\Games\\Korvane 6\").");
}

TEST_F(FolderBrowsing, ShortcutPageCancelChangesNothing)
{
    next(3);
    browse_dialog d = browse();
    ASSERT_TRUE(d.wnd);
    ASSERT_TRUE(gui::type_into(d.edit, L"Programs\\Other"));
    ASSERT_TRUE(gui::click_in(d.wnd, IDCANCEL));
    ASSERT_TRUE(d.gone());
    EXPECT_EQ(app->text(IDC_FOLDER), L"Programs\\Tarnwick\\Korvane 6");
}

} // namespace
