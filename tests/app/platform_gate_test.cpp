// The real installer under Wine with the Windows version of its prefix set
// per case: unsupported systems get the gate's box and exit code 1.
#include "tests/driver/gui_driver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

using gui::installer;
using namespace std::chrono_literals;

const wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\InstallKorvane6.52a.exe";

// Wine answers GetVersionEx for one program with the version set under its
// AppDefaults key; this test program keeps the prefix's own.
class WineVersionFor {
public:
    explicit WineVersionFor(const wchar_t* version)
    {
        RegSetKeyValueW(HKEY_CURRENT_USER, kAppDefaults, L"Version", REG_SZ, version,
                        static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
    }
    ~WineVersionFor() { RegDeleteTreeW(HKEY_CURRENT_USER, kAppDefaults); }
};

struct GateCase {
    const wchar_t* wine_version;
    const wchar_t* box_text; // null: the platform passes
};

class PlatformGate : public ::testing::TestWithParam<GateCase> {};

TEST_P(PlatformGate, UnsupportedSystemsAreTurnedAway)
{
    const GateCase& c = GetParam();
    WineVersionFor version(c.wine_version);
    if (!c.box_text) {
        // Past the gate the wizard opens, with no box before it.
        installer app;
        ASSERT_TRUE(app.started()) << "no wizard";
        EXPECT_TRUE(app.no_box());
        return;
    }
    installer app(gui::installer_path(), installer::until::started);
    std::optional<gui::message_box> box = app.wait_for_box(20s);
    ASSERT_TRUE(box) << "no box";
    EXPECT_EQ(box->text(), c.box_text);
    // No owner, the system's default caption, and an icon (the stop icon's
    // picture cannot be compared here: under Wine another process's icon
    // handle does not read back).
    EXPECT_EQ(GetWindow(box->hwnd(), GW_OWNER), nullptr);
    EXPECT_EQ(box->caption(), L"Error");
    EXPECT_TRUE(box->has_icon());
    EXPECT_TRUE(box->press(IDOK));
    ASSERT_TRUE(app.wait_for_exit(10s));
    EXPECT_EQ(app.exit_code(), 1u);
}

INSTANTIATE_TEST_SUITE_P(WineVersions, PlatformGate,
                         ::testing::Values(GateCase{L"win2k", L"Unknown System Version"},
                                           GateCase{L"win7", nullptr}, GateCase{L"win10", nullptr}),
                         [](const auto& info) {
                             std::wstring v = info.param.wine_version;
                             return std::string(v.begin(), v.end());
                         });

} // namespace
