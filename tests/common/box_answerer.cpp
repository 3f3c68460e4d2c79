#include "tests/common/box_answerer.h"

#include <chrono>
#include <thread>

namespace boxes {

bool answer_box(const wchar_t* caption, int answer, const std::function<void(HWND)>& look,
                const std::function<void()>& show, DWORD thread)
{
    bool found = false;
    std::thread answerer([&] {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < deadline) {
            HWND box = FindWindowW(L"#32770", caption);
            if (box && IsWindowVisible(box) && (!thread || GetWindowThreadProcessId(box, nullptr) == thread)) {
                found = true;
                look(box);
                PostMessageW(GetDlgItem(box, answer), BM_CLICK, 0, 0);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
    });
    show();
    answerer.join();
    return found;
}

std::wstring box_text(HWND box)
{
    // The message is the box's static control 0xFFFF.
    wchar_t text[2048] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 2048);
    return text;
}

} // namespace boxes
