// The installer for a user whose interface language is Hebrew (run with
// LC_ALL=he_IL.UTF-8, see CMakeLists). Hebrew is not a product language, so
// with no language recorded the wizard runs in English; a box without owner
// still reads right to left, as the user's language does.
#include "app/language.h"
#include "resources/dialog_ids.h"
#include "tests/common/fixture_installation.h"
#include "tests/driver/gui_driver.h"

#include <gtest/gtest.h>

namespace {

using gui::installer;

TEST(HebrewUser, WizardRunsInEnglish)
{
    ASSERT_EQ(GetUserDefaultLangID(), 0x040D) << "LC_ALL did not reach Wine";
    ASSERT_NO_FATAL_FAILURE(fixture::record_product_language(-1));
    installer app;
    ASSERT_TRUE(app.started()) << "no wizard frame";
    ASSERT_TRUE(app.wait_for_page(0));

    EXPECT_EQ(app.title(), L"Installer \u2013 Korvane 6.52a");
    EXPECT_EQ(app.text(IDC_LANGUAGE_LABEL), L"Select Installation Langage");
    EXPECT_EQ(app.text(IDC_INFO), L"'Korvane 6.52a' Installation.");
    EXPECT_EQ(app.text(IDC_STATUS), L"Click on 'Next' to continue.");
    EXPECT_EQ(app.text(IDOK), L"Next  >");
    std::vector<gui::combo_item> items = app.combo_items(IDC_LANGUAGE_LIST);
    int selected = app.combo_selection(IDC_LANGUAGE_LIST);
    ASSERT_GE(selected, 0);
    ASSERT_LT(static_cast<size_t>(selected), items.size());
    EXPECT_EQ(items[static_cast<size_t>(selected)].data, tw::language_english);

    // An English wizard is laid out left to right.
    EXPECT_EQ(GetWindowLongW(app.frame(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);

    // A second installer stops at the single-instance guard with a box that
    // has no owner (no wizard exists yet in that process): it reads right to
    // left. Wine lays out every message box mirrored here (see below), so
    // there the box cannot tell the reading order apart; the decision itself
    // is checked in-process by message_box_tests_he_IL.
    {
        installer second(gui::installer_path(), installer::until::started);
        std::optional<gui::message_box> busy = second.wait_for_box();
        ASSERT_TRUE(busy) << "no box from the second installer";
        EXPECT_EQ(GetWindow(busy->hwnd(), GW_OWNER), nullptr);
        EXPECT_EQ(busy->caption(), L"InstallKorvane6.52a");
        EXPECT_NE((busy->ex_style() & (WS_EX_RTLREADING | WS_EX_LAYOUTRTL)), 0);
        ASSERT_TRUE(busy->press(IDOK));
        EXPECT_TRUE(second.wait_for_exit());
    }

    // The exit question has the frame as owner and is in English; it follows
    // its owner's layout. Wine lays out every message box mirrored under a
    // right-to-left user locale, whatever its owner and flags (measured: the
    // same box with and without MB_RTLREADING), so there it reads back
    // mirrored.
    ASSERT_TRUE(app.click(IDCANCEL));
    std::optional<gui::message_box> box = app.wait_for_box();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?");
    EXPECT_EQ(GetWindow(box->hwnd(), GW_OWNER), app.frame());
    EXPECT_EQ((box->ex_style() & WS_EX_LAYOUTRTL) != 0, gui::on_wine());
    ASSERT_TRUE(box->press(IDYES));
    EXPECT_TRUE(app.wait_for_exit());
}

} // namespace
