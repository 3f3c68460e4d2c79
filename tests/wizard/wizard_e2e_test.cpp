// The real installer under Wine, driven through its windows: page sequence,
// buttons, exit confirmation, language change, summary, About box, keyboard.
#include "app/language.h"
#include "resources/dialog_ids.h"
#include "tests/common/fixture_installation.h"
#include "tests/driver/gui_driver.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <vector>

namespace {

using gui::installer;
using gui::lines_of;
using namespace std::chrono_literals;

class Wizard : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(gui::installer_path().empty()) << "TW_INSTALLER not set";
        fixture::record_product_language(start_language());
        app = std::make_unique<installer>();
        ASSERT_TRUE(app->started()) << "no wizard frame";
        ASSERT_TRUE(app->wait_for_page(0));
    }
    virtual int start_language() const { return tw::language_english; }

    // Next and Back as the user clicks them, waiting for the page that follows.
    // The click is posted: waiting for the expected page is only meaningful
    // when it differs from the current one.
    void next(int expected) const
    {
        ASSERT_NE(app->page_index(), expected);
        ASSERT_TRUE(app->click(IDOK)) << "Next not clickable";
        ASSERT_TRUE(app->wait_for_page(expected)) << "now on page " << app->page_index();
    }
    void back(int expected) const
    {
        ASSERT_NE(app->page_index(), expected);
        ASSERT_TRUE(app->click(IDC_BACK)) << "Back not clickable";
        ASSERT_TRUE(app->wait_for_page(expected)) << "now on page " << app->page_index();
    }
    void choose_mode(bool advanced) const
    {
        ASSERT_EQ(app->page_index(), 1);
        ASSERT_TRUE(app->set_checked(advanced ? IDC_MODE_ADVANCED : IDC_MODE_QUICK, true));
    }
    void choose_language(int language) const
    {
        ASSERT_TRUE(app->select_language(language)) << "language " << language << " not in the list";
    }
    // The exit confirmation, answered; true when it was asked.
    bool answer_exit(int answer) const
    {
        std::optional<gui::message_box> box = app->wait_for_box(5s);
        if (!box)
            return false;
        EXPECT_EQ(box->text(), L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?");
        EXPECT_EQ(box->caption(), L"Installer \u2013 Korvane 6.52a");
        EXPECT_TRUE(box->has_button(IDYES));
        EXPECT_TRUE(box->has_button(IDNO));
        EXPECT_TRUE(box->press(answer));
        return true;
    }

    std::unique_ptr<installer> app;
};

// Page sequence

TEST_F(Wizard, QuickModeSkipsFolderAndShortcutPagesBothWays)
{
    next(1);
    EXPECT_TRUE(app->checked(IDC_MODE_QUICK));
    EXPECT_FALSE(app->checked(IDC_MODE_ADVANCED));
    next(4);
    back(1);
    back(0);
}

TEST_F(Wizard, AdvancedModeVisitsEveryPageInOrder)
{
    next(1);
    choose_mode(true);
    next(2);
    next(3);
    next(4);
    back(3);
    back(2);
    back(1);
    EXPECT_TRUE(app->checked(IDC_MODE_ADVANCED)) << "the mode page reloads the stored choice";
}

TEST_F(Wizard, AdvancedChosenThenBackToStartStillLeadsToFolderPage)
{
    next(1);
    choose_mode(true);
    back(0);
    next(1);
    next(2);
}

TEST_F(Wizard, QuickChosenAgainAfterVisitingFolderPageWins)
{
    next(1);
    choose_mode(true);
    next(2);
    back(1);
    choose_mode(false);
    next(4);
}

struct ButtonCase {
    int page;
    const wchar_t* next;
    bool backEnabled;
};

TEST_F(Wizard, ButtonTextsAndStatesOnEveryPage)
{
    const ButtonCase cases[] = {
        {0, L"Next  >", false}, {1, L"Next  >", true}, {2, L"Next  >", true},
        {3, L"Next  >", true},  {4, L"Install", true},
    };
    for (const ButtonCase& c : cases) {
        SCOPED_TRACE(c.page);
        if (c.page == 1) {
            next(1);
            choose_mode(true);
        } else if (c.page > 1) {
            next(c.page);
        }
        EXPECT_EQ(app->text(IDOK), c.next);
        EXPECT_EQ(app->text(IDC_BACK), L"<  Back");
        EXPECT_EQ(app->text(IDCANCEL), L"Cancel");
        EXPECT_TRUE(app->enabled(IDOK));
        EXPECT_EQ(app->enabled(IDC_BACK), c.backEnabled);
    }
    EXPECT_EQ(app->text(IDC_STATUS), L"Click on 'Install' to start Installation.");
}

TEST_F(Wizard, EveryPageIsStretchedToTheSameArea)
{
    // Hidden pages too: the frame lays them all out once.
    std::vector<RECT> rects;
    for (HWND child = GetWindow(app->frame(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (gui::class_name(child) == L"#32770") {
            RECT r;
            GetWindowRect(child, &r);
            rects.push_back(r);
        }
    ASSERT_EQ(rects.size(), 6u);
    for (const RECT& r : rects)
        EXPECT_TRUE(EqualRect(&r, &rects[0]));
    RECT separator, exitButton;
    GetWindowRect(GetDlgItem(app->frame(), IDC_SEPARATOR), &separator);
    GetWindowRect(GetDlgItem(app->frame(), IDCANCEL), &exitButton);
    EXPECT_LE(rects[0].bottom, separator.top + 1) << "pages end above the separator";
    EXPECT_GE(exitButton.top, separator.bottom) << "buttons sit below the separator";
}

// Exit confirmation

TEST_F(Wizard, ExitIsConfirmedOnEveryPageAndNoKeepsTheWizard)
{
    const int pages[] = {0, 1, 2, 3, 4};
    for (int page : pages) {
        SCOPED_TRACE(page);
        if (page == 1) {
            next(1);
            choose_mode(true);
        } else if (page > 1) {
            next(page);
        }
        ASSERT_TRUE(app->click(IDCANCEL));
        std::optional<gui::message_box> box = app->wait_for_box(5s);
        ASSERT_TRUE(box) << "no confirmation";
        // The box is modal: it disables the frame, whose own buttons keep
        // their state, so a click on them is one a user could not make.
        EXPECT_FALSE(IsWindowEnabled(app->frame()));
        EXPECT_TRUE(app->enabled(IDOK));
        EXPECT_FALSE(app->click(IDOK)) << "Next clicked under the box";
        ASSERT_TRUE(answer_exit(IDNO));
        EXPECT_TRUE(app->running());
        EXPECT_EQ(app->page_index(), page);
        EXPECT_TRUE(gui::wait_until([&] { return IsWindowEnabled(app->frame()) != FALSE; }))
            << "the frame is enabled again after the box";
    }
    ASSERT_TRUE(app->click(IDCANCEL));
    ASSERT_TRUE(answer_exit(IDYES));
    EXPECT_TRUE(app->wait_for_exit());
}

TEST_F(Wizard, CloseBoxAsksLikeExit)
{
    PostMessageW(app->frame(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(answer_exit(IDYES));
    EXPECT_TRUE(app->wait_for_exit());
}

// Keyboard

TEST_F(Wizard, EnterPressesNextAndEscapeAsksToExit)
{
    ASSERT_TRUE(app->press_key(VK_RETURN));
    ASSERT_TRUE(app->wait_for_page(1));
    ASSERT_TRUE(app->press_key(VK_RETURN));
    ASSERT_TRUE(app->wait_for_page(4));
    ASSERT_TRUE(app->press_key(VK_ESCAPE));
    ASSERT_TRUE(answer_exit(IDNO));
    EXPECT_EQ(app->page_index(), 4);
    // In the log box too, Escape belongs to the frame.
    HWND log = app->control(IDC_LOG);
    ASSERT_TRUE(log);
    PostMessageW(log, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(log, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(gui::wait_until([&] { return app->focus() == log; }));
    ASSERT_TRUE(app->press_key(VK_ESCAPE));
    ASSERT_TRUE(answer_exit(IDYES));
    EXPECT_TRUE(app->wait_for_exit());
}

struct TabCase {
    int page;
    std::set<int> stops; // every control Tab must reach on that page
};

TEST_F(Wizard, TabWalksThroughPageControlsAndFrameButtons)
{
    const TabCase cases[] = {
        {0, {IDC_LANGUAGE_LIST, IDOK, IDCANCEL}},
        {1, {IDC_MODE_QUICK, IDC_BACK, IDOK, IDCANCEL}},
        {2, {IDC_FOLDER, IDC_BROWSE, IDC_BACK, IDOK, IDCANCEL}},
        {3, {IDC_MENU_SHORTCUT, IDC_FOLDER, IDC_BROWSE, IDC_DESKTOP_SHORTCUT, IDC_BACK, IDOK, IDCANCEL}},
    };
    for (const TabCase& c : cases) {
        SCOPED_TRACE(c.page);
        if (c.page == 1) {
            next(1);
            choose_mode(true);
            // The radio group is one stop: the checked button.
            app->set_checked(IDC_MODE_QUICK, true);
        } else if (c.page == 2) {
            choose_mode(true);
            next(2);
        } else if (c.page > 2) {
            next(c.page);
        }
        if (c.page == 0) {
            ASSERT_TRUE(gui::wait_until([&] { return GetDlgCtrlID(app->focus()) == IDOK; })) << "Next has the focus";
        }
        std::set<int> reached;
        for (size_t i = 0; i < 2 * c.stops.size(); ++i) {
            HWND before = app->focus();
            ASSERT_TRUE(app->press_key(VK_TAB));
            ASSERT_TRUE(gui::wait_until([&] { return app->focus() != before; }));
            HWND now = app->focus();
            // The combo box of the start page takes the focus in its inner control.
            if (gui::class_name(GetParent(now)) == L"ComboBoxEx32")
                now = GetParent(now);
            reached.insert(GetDlgCtrlID(now));
        }
        EXPECT_EQ(reached, c.stops);
    }
}

// Language change

class WizardLanguageList : public Wizard, public ::testing::WithParamInterface<std::pair<int, int>> {
protected:
    int start_language() const override { return GetParam().first; }
};

TEST_P(WizardLanguageList, TwelveLanguagesInOrderWithTheCurrentSelected)
{
    using namespace tw;
    const LPARAM order[] = {language_french,  language_english,   language_german,  language_spanish,
                            language_italian, language_portuguese, language_dutch,   language_norwegian,
                            language_turkish, language_romanian,  language_czech,   language_chinese};
    std::vector<gui::combo_item> items = app->combo_items(IDC_LANGUAGE_LIST);
    ASSERT_EQ(items.size(), 12u);
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].data, order[i]) << i;
        EXPECT_FALSE(items[i].text.empty()) << i;
    }
    EXPECT_EQ(items[0].text, L"Français");
    EXPECT_EQ(items[2].text, L"Deutsch");
    EXPECT_EQ(app->combo_selection(IDC_LANGUAGE_LIST), GetParam().second);
}

// Started in French, English or German: positions 0, 1 and 2 of the list.
INSTANTIATE_TEST_SUITE_P(StartLanguages, WizardLanguageList,
                         ::testing::Values(std::make_pair(tw::language_french, 0), std::make_pair(tw::language_english, 1),
                                           std::make_pair(tw::language_german, 2)));

struct PageText {
    int page;
    int id;
    const wchar_t* text;
};

TEST_F(Wizard, GermanRelabelsTitleButtonsAndEveryPage)
{
    choose_language(tw::language_german);
    ASSERT_TRUE(gui::wait_until([&] { return app->title() == L"Installationsprogramm \u2013 Korvane 6.52a"; }))
        << "title";
    EXPECT_EQ(app->text(IDOK), L"Weiter  >");
    EXPECT_EQ(app->text(IDC_BACK), L"<  Zurück");
    EXPECT_EQ(app->text(IDCANCEL), L"Abbrechen");
    EXPECT_FALSE(app->enabled(IDC_BACK)) << "enabled states stay";
    // The entry's text itself is checked in this process by wizard_unit_tests.
    // Wine keeps a window's menus private to its process (and its system menu,
    // opened without a window manager, takes no keys posted to it, so the
    // entry cannot be chosen from here either); Windows lets us read it.
    if (std::optional<std::wstring> about = app->system_menu_text(IDM_ABOUTBOX))
        EXPECT_EQ(*about, L"&Über 'Installationsprogramm'...");
    else
        EXPECT_TRUE(gui::on_wine());

    const PageText texts[] = {
        {0, IDC_LANGUAGE_LABEL, L"Installationssprache auswählen"},
        {0, IDC_INFO, L"Installation von 'Korvane 6.52a'."},
        {0, IDC_STATUS, L"Klicken Sie auf 'Weiter', um fortzufahren."},
        {0, IDC_COPYRIGHT, L"Korvane 6.52a \u2013 Copyright \u00a9 2024-2026 Tarnwick. Alle Rechte vorbehalten."},
        {1, IDC_MODE_GROUP, L"Installationsart"},
        {1, IDC_MODE_QUICK, L"Schnellinstallation (empfohlen)"},
        {1, IDC_MODE_ADVANCED, L"Benutzerdefinierte Installation"},
        {1, IDC_STATUS, L"Klicken Sie auf 'Weiter', um fortzufahren."},
        {2, IDC_PATH_GROUP, L"Auswahl des Installationsordners"},
        {2, IDC_PATH_LABEL, L"Wählen Sie den Installationsordner für 'Korvane'."},
        {2, IDC_BROWSE, L"Durchsuchen..."},
        {3, IDC_MENU_GROUP, L"Startmenü"},
        {3, IDC_MENU_SHORTCUT, L"Eine Verknüpfung in folgendem Menü erstellen:"},
        {3, IDC_DESKTOP_SHORTCUT, L"Eine Verknüpfung auf dem Desktop erstellen."},
        {4, IDC_STATUS, L"Klicken Sie auf 'Installieren', um die Installation zu starten."},
        {4, IDOK, L"Installieren"},
    };
    int page = 0;
    for (const PageText& t : texts) {
        if (t.page != page) {
            next(t.page);
            if (t.page == 1)
                choose_mode(true);
            page = t.page;
        }
        EXPECT_EQ(app->text(t.id), t.text) << "page " << t.page << " control " << t.id;
    }
    std::vector<std::wstring> summary = lines_of(app->text(IDC_LOG));
    ASSERT_GE(summary.size(), 2u);
    EXPECT_EQ(summary[0], L"Installation von 'Korvane 6.52a'.");
    EXPECT_NE(summary[1].find(L" Installationsoptionen "), std::wstring::npos);
}

// Started in German, so that every text the Dutch choice must turn into
// English differs before and after it: a missing refresh fails.
class WizardInGerman : public Wizard {
protected:
    int start_language() const override { return tw::language_german; }
};

TEST_F(WizardInGerman, DutchExplainsInEnglishAndKeepsDutchSelected)
{
    ASSERT_EQ(app->title(), L"Installationsprogramm \u2013 Korvane 6.52a");
    ASSERT_EQ(app->text(IDOK), L"Weiter  >");
    ASSERT_EQ(app->text(IDC_LANGUAGE_LABEL), L"Installationssprache auswählen");
    ASSERT_EQ(app->text(IDC_STATUS), L"Klicken Sie auf 'Weiter', um fortzufahren.");
    choose_language(tw::language_dutch);
    std::optional<gui::message_box> box = app->wait_for_box(5s);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), L"'Korvane' will be installed in the selected Langage, but the Installer, still under "
                           L"translation,  shall run in English.");
    EXPECT_TRUE(box->has_button(IDOK));
    ASSERT_TRUE(box->press(IDOK));
    // The texts are refreshed after the box, in one handler that pumps no
    // messages: once the title has changed, a sent message returns after it.
    ASSERT_TRUE(gui::wait_until([&] { return app->title() == L"Installer \u2013 Korvane 6.52a"; }));
    SendMessageTimeoutW(app->frame(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_EQ(app->combo_selection(IDC_LANGUAGE_LIST), 6);
    EXPECT_EQ(app->text(IDOK), L"Next  >");
    EXPECT_EQ(app->text(IDC_BACK), L"<  Back");
    EXPECT_EQ(app->text(IDCANCEL), L"Cancel");
    EXPECT_EQ(app->text(IDC_LANGUAGE_LABEL), L"Select Installation Langage");
    EXPECT_EQ(app->text(IDC_STATUS), L"Click on 'Next' to continue.");
}

// Install page summary

struct SummaryCase {
    const wchar_t* folder;
    bool menu;
    bool desktop;
    std::vector<std::wstring> lines; // "=" marks the centred rule
};

TEST_F(Wizard, SummaryShowsTheChosenOptions)
{
    const std::wstring menuFolder = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tarnwick\\Korvane 6";
    const SummaryCase cases[] = {
        {L"C:\\Program Files\\Tarnwick\\Korvane 6", true, true,
         {L"'Korvane 6.52a' Installation.", L"=", L"Installation Folder: \"C:\\Program Files\\Tarnwick\\Korvane 6\".",
          L"Creating a Shortcut in the Start Menu (Folder \"" + menuFolder + L"\").",
          L"Creating a Shortcut on the Desktop."}},
        {L"D:\\Apps\\Korvane", false, false,
         {L"'Korvane 6.52a' Installation.", L"=", L"Installation Folder: D:\\Apps\\Korvane."}},
        {L"E:\\Korvane", true, false,
         {L"'Korvane 6.52a' Installation.", L"=", L"Installation Folder: E:\\Korvane.",
          L"Creating a Shortcut in the Start Menu (Folder \"" + menuFolder + L"\")."}},
        {L"C:\\My Apps", false, true,
         {L"'Korvane 6.52a' Installation.", L"=", L"Installation Folder: \"C:\\My Apps\".",
          L"Creating a Shortcut on the Desktop."}},
    };
    for (const SummaryCase& c : cases) {
        next(1);
        choose_mode(true);
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.folder)));
        next(2);
        ASSERT_TRUE(app->set_text(IDC_FOLDER, c.folder));
        next(3);
        EXPECT_EQ(app->text(IDC_FOLDER), L"Programs\\Tarnwick\\Korvane 6");
        ASSERT_TRUE(app->set_checked(IDC_MENU_SHORTCUT, c.menu));
        ASSERT_TRUE(app->set_checked(IDC_DESKTOP_SHORTCUT, c.desktop));
        EXPECT_EQ(app->enabled(IDC_FOLDER), c.menu);
        EXPECT_EQ(app->enabled(IDC_BROWSE), c.menu);
        next(4);
        std::vector<std::wstring> lines = lines_of(app->text(IDC_LOG));
        ASSERT_EQ(lines.size(), c.lines.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            if (c.lines[i] == L"=") {
                const std::wstring& rule = lines[i];
                size_t at = rule.find(L" Installation Options ");
                ASSERT_NE(at, std::wstring::npos) << "rule: " << testing::PrintToString(rule);
                size_t before = at, after = rule.size() - at - std::wstring(L" Installation Options ").size();
                EXPECT_EQ(rule.find_first_not_of(L'-'), at);
                EXPECT_GT(before, 5u);
                EXPECT_TRUE(after == before || after == before + 1) << before << " / " << after;
            } else {
                EXPECT_EQ(lines[i], c.lines[i]);
            }
        }
        EXPECT_EQ(SendMessageW(app->control(IDC_LOG), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
        EXPECT_FALSE(app->visible(IDC_PROGRESS));
        back(3);
        back(2);
        back(1);
        back(0);
    }
}

TEST_F(Wizard, FolderLongerThanTheLimitIsRefusedAndThePageStays)
{
    next(1);
    choose_mode(true);
    next(2);
    ASSERT_TRUE(app->set_text(IDC_FOLDER, L"C:\\" + std::wstring(258, L'a')));  // 261 characters
    ASSERT_TRUE(app->click(IDOK));
    std::optional<gui::message_box> box = app->wait_for_box(5s);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), L"Enter no more than 260 characters.");
    ASSERT_TRUE(box->press(IDOK));
    EXPECT_EQ(app->page_index(), 2);
    ASSERT_TRUE(app->set_text(IDC_FOLDER, L"C:\\" + std::wstring(257, L'a')));  // 260 characters
    next(3);
}

TEST_F(Wizard, QuickModeSummaryHasFiveLinesWithTheStartUpDefaults)
{
    next(1);
    next(4);
    std::vector<std::wstring> lines = lines_of(app->text(IDC_LOG));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], L"Installation Folder: \"C:\\Program Files\\Tarnwick\\Korvane 6\".");
    EXPECT_EQ(lines[4], L"Creating a Shortcut on the Desktop.");
}

// About box

class WizardAbout : public Wizard, public ::testing::WithParamInterface<std::tuple<int, const wchar_t*>> {
protected:
    int start_language() const override { return std::get<0>(GetParam()); }
};

TEST_P(WizardAbout, OpensFromTheSystemMenuWithTheInstallersOwnVersion)
{
    app->system_command(IDM_ABOUTBOX);
    HWND about = app->wait_for_window(std::get<1>(GetParam()));
    ASSERT_TRUE(about) << "no About box";
    EXPECT_EQ(GetWindow(about, GW_OWNER), app->frame());
    EXPECT_EQ(gui::window_text(GetDlgItem(about, IDC_ABOUT_TITLE)), L"Install 2.02");
    EXPECT_EQ(gui::window_text(GetDlgItem(about, IDC_ABOUT_COPYRIGHT)),
              L"Copyright © 2024-2026 Tarnwick. All rights reserved.");
    EXPECT_EQ(gui::window_text(GetDlgItem(about, IDOK)), L"OK");
    EXPECT_FALSE(IsWindowEnabled(app->frame())) << "modal to the frame";
    PostMessageW(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(gui::wait_until([&] { return !IsWindow(about); }));
    EXPECT_TRUE(gui::wait_until([&] { return IsWindowEnabled(app->frame()) != FALSE; }));
}

INSTANTIATE_TEST_SUITE_P(Languages, WizardAbout,
                         ::testing::Values(std::make_tuple(tw::language_english, L"About 'Installer'"),
                                           std::make_tuple(tw::language_french, L"À propos de 'Installeur'")));

} // namespace
