// The wizard in every language with installer texts: every page, the exit
// question, the About box and the pages after an installation are
// photographed for review (TW_SCREENSHOT_DIR),
// and every static, button and check box text must fit its control when
// measured with the control's own font.
#include "app/language.h"
#include "resources/dialog_ids.h"
#include "tests/common/fixture_installation.h"
#include "tests/driver/gui_driver.h"
#include "tests/driver/text_fit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

using gui::installer;
using namespace std::chrono_literals;

struct GalleryLanguage {
    int language;
    const char* code; // file names: <code>_page0.bmp ...
};

std::ostream& operator<<(std::ostream& os, const GalleryLanguage& l)
{
    return os << l.code;
}

const int kPageTemplates[] = {IDD_PAGE_START,   IDD_PAGE_MODE,    IDD_PAGE_PATH,
                              IDD_PAGE_SHORTCUT, IDD_PAGE_INSTALL, IDD_PAGE_END};

class WizardGallery : public ::testing::TestWithParam<GalleryLanguage> {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(gui::installer_path().empty()) << "TW_INSTALLER not set";
        fit = std::make_unique<gui::text_fit>(gui::installer_path());
        ASSERT_TRUE(fit->loaded()) << "cannot read the installer's templates";
        ASSERT_NO_FATAL_FAILURE(fixture::record_product_language(GetParam().language));
        app = std::make_unique<installer>();
        if (!app->started())
            if (auto box = app->wait_for_box(2s))
                ADD_FAILURE() << "box: " << testing::PrintToString(box->text());
        ASSERT_TRUE(app->started()) << "no wizard frame";
        ASSERT_TRUE(app->wait_for_page(0));
        if (!folder.empty())
            CreateDirectoryW(folder.c_str(), nullptr);
    }

    void next(int expected) const
    {
        ASSERT_TRUE(app->click(IDOK)) << "Next not clickable";
        ASSERT_TRUE(app->wait_for_page(expected)) << "now on page " << app->page_index();
    }

    // Every text of `container` fits, measured with the font of `templateId`.
    void expect_fit(HWND container, int templateId, const char* where) const
    {
        for (const gui::clipped_text& c : fit->clipped(container, templateId))
            ADD_FAILURE() << GetParam().code << " " << where << ": " << c;
    }

    // The page shown and the frame's buttons as they read on it.
    void look_at_page(int page) const
    {
        std::string where = "page " + std::to_string(page);
        expect_fit(app->page(), kPageTemplates[page], where.c_str());
        expect_fit(app->frame(), IDD_INSTALL_FRAME, (where + " buttons").c_str());
        shoot("page" + std::to_string(page), app->frame());
    }

    void shoot(const std::string& name, HWND wnd) const
    {
        if (folder.empty())
            return;
        std::wstring path = folder + L"\\" + std::wstring(GetParam().code, GetParam().code + strlen(GetParam().code)) +
                            L"_" + std::wstring(name.begin(), name.end()) + L".bmp";
        // Let the window finish painting what it was just asked to show.
        RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        SendMessageTimeoutW(wnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
        EXPECT_TRUE(app->screenshot(path, wnd)) << "cannot write " << name;
    }

    std::unique_ptr<gui::text_fit> fit;
    std::unique_ptr<installer> app;
    std::wstring folder = gui::screenshot_dir();
};

TEST_P(WizardGallery, EveryTextFitsItsControlOnEveryPage)
{
    look_at_page(0);
    next(1);
    ASSERT_TRUE(app->set_checked(IDC_MODE_ADVANCED, true));
    look_at_page(1);
    for (int page = 2; page <= 4; ++page) {
        next(page);
        look_at_page(page);
    }

    ASSERT_TRUE(app->click(IDCANCEL));
    std::optional<gui::message_box> box = app->wait_for_box(5s);
    ASSERT_TRUE(box) << "no exit question";
    shoot("exit", box->hwnd());
    ASSERT_TRUE(box->press(IDNO));

    app->system_command(IDM_ABOUTBOX);
    HWND about = nullptr;
    ASSERT_TRUE(gui::wait_until([&] {
        for (HWND wnd : app->top_windows(L"#32770"))
            if (wnd != app->frame())
                about = wnd;
        return about != nullptr;
    })) << "no About box";
    // The About box keeps its template's size: the same client size here
    // shows that this process measures with the font the installer uses.
    RECT client = {};
    GetClientRect(about, &client);
    SIZE copy = fit->template_client_size(IDD_ABOUTBOX);
    EXPECT_EQ(client.right, copy.cx);
    EXPECT_EQ(client.bottom, copy.cy);
    expect_fit(about, IDD_ABOUTBOX, "About box");
    shoot("about", about);
    PostMessageW(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(gui::wait_until([&] { return !IsWindow(about); }));

    // After an installation: the install page as the run left it, then the
    // end page.
    ASSERT_TRUE(app->click(IDOK)) << "Install not clickable";
    ASSERT_TRUE(gui::wait_until([&] { return !app->enabled(IDCANCEL); })) << "the installation did not start";
    ASSERT_TRUE(gui::wait_until([&] { return app->enabled(IDCANCEL); }, 3min)) << "the installation did not end";
    ASSERT_FALSE(app->enabled(IDC_BACK)) << "the installation failed: " << testing::PrintToString(app->text(IDC_STATUS));
    expect_fit(app->page(), IDD_PAGE_INSTALL, "page 4 after the installation");
    shoot("page4_installed", app->frame());
    next(5);
    look_at_page(5);
    // Exit, rather than the process killed at the end of the test: a killed
    // member of the product family stays counted as running.
    ASSERT_TRUE(app->click(IDCANCEL));
    EXPECT_TRUE(app->wait_for_exit());
}

INSTANTIATE_TEST_SUITE_P(
    Languages, WizardGallery,
    ::testing::Values(GalleryLanguage{tw::language_english, "en"}, GalleryLanguage{tw::language_french, "fr"},
                      GalleryLanguage{tw::language_german, "de"}, GalleryLanguage{tw::language_spanish, "es"},
                      GalleryLanguage{tw::language_portuguese, "pt"}, GalleryLanguage{tw::language_turkish, "tr"},
                      GalleryLanguage{tw::language_romanian, "ro"}, GalleryLanguage{tw::language_italian, "it"}),
    [](const ::testing::TestParamInfo<GalleryLanguage>& info) { return std::string(info.param.code); });

} // namespace
