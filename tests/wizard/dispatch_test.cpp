// An exception thrown by a handler stops at the framework's dialog
// procedure: the user sees an error box and the dialog goes on. Through
// user32's frames it would end the process.
#include "framework/dialog.h"
#include "tests/common/box_answerer.h"
#include "winhelpers/error_text.h"
#include "winhelpers/hresult_error.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

constexpr UINT kTemplate = 900;
constexpr int kThrows = 901;
constexpr int kCounts = 902;

class ThrowingDialog : public CDialog {
public:
    explicit ThrowingDialog(std::function<void()> fail)
    {
        OnCommandFrom(kThrows, BN_CLICKED, std::move(fail));
        OnCommandFrom(kCounts, BN_CLICKED, [this] { ++counted; });
    }
    int counted = 0;
};

struct ThrowCase {
    const char* name;
    std::function<void()> fail;
    uint32_t code; // whose text the box shows
};

TEST(Dispatch, AnExceptionFromAHandlerIsReportedAndTheDialogLives)
{
    const ThrowCase cases[] = {
        {"runtime_error", [] { throw std::runtime_error("formatting failed"); }, static_cast<uint32_t>(E_UNEXPECTED)},
        {"invalid_argument", [] { throw std::invalid_argument("no such text"); }, static_cast<uint32_t>(E_UNEXPECTED)},
        {"system_error", [] { throw std::system_error(ERROR_ACCESS_DENIED, std::system_category()); },
         ERROR_ACCESS_DENIED},
        {"hresult_error", [] { tw::raise_hresult(E_OUTOFMEMORY); }, static_cast<uint32_t>(E_OUTOFMEMORY)},
    };
    for (const ThrowCase& c : cases) {
        SCOPED_TRACE(c.name);
        ThrowingDialog dialog(c.fail);
        ASSERT_TRUE(dialog.Create(kTemplate, nullptr));
        std::wstring text;
        HWND owner = nullptr;
        bool shown = boxes::answer_box(
            nullptr, IDOK,
            [&](HWND box) {
                text = boxes::box_text(box);
                owner = GetWindow(box, GW_OWNER);
            },
            [&] { SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(kThrows, BN_CLICKED), 0); },
            GetCurrentThreadId());
        EXPECT_TRUE(shown);
        EXPECT_EQ(text, tw::error_text(c.code, 0));
        EXPECT_EQ(owner, dialog.m_hWnd);
        ASSERT_TRUE(IsWindow(dialog.m_hWnd));
        SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(kCounts, BN_CLICKED), 0);
        EXPECT_EQ(dialog.counted, 1) << "the dialog still handles its commands";
    }
}

} // namespace
