#include "tests/common/box_answerer.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace boxes {

namespace {

struct owned_box_search {
    HWND owner;
    HWND found = nullptr;
};

BOOL CALLBACK find_owned_box(HWND wnd, LPARAM param)
{
    auto* search = reinterpret_cast<owned_box_search*>(param);
    wchar_t cls[16] = {};
    GetClassNameW(wnd, cls, 16);
    if (GetWindow(wnd, GW_OWNER) == search->owner && IsWindowVisible(wnd) && lstrcmpW(cls, L"#32770") == 0) {
        search->found = wnd;
        return FALSE;
    }
    return TRUE;
}

// Runs `show` while another thread waits up to 15 seconds for the box that
// `find` returns, or until `show` has returned.
bool answer_found_box(const std::function<HWND()>& find, int answer, const std::function<void(HWND)>& look,
                      const std::function<void()>& show)
{
    bool found = false;
    std::atomic<bool> shown{false};
    std::thread answerer([&] {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (!shown && std::chrono::steady_clock::now() < deadline) {
            if (HWND box = find()) {
                found = true;
                look(box);
                PostMessageW(GetDlgItem(box, answer), BM_CLICK, 0, 0);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
    });
    show();
    shown = true;
    answerer.join();
    return found;
}

} // namespace

bool answer_box(const wchar_t* caption, int answer, const std::function<void(HWND)>& look,
                const std::function<void()>& show, DWORD thread)
{
    auto find = [&]() -> HWND {
        HWND box = FindWindowW(L"#32770", caption);
        return box && IsWindowVisible(box) && (!thread || GetWindowThreadProcessId(box, nullptr) == thread) ? box
                                                                                                         : nullptr;
    };
    return answer_found_box(find, answer, look, show);
}

bool answer_box_owned_by(HWND owner, int answer, const std::function<void(HWND)>& look,
                         const std::function<void()>& show)
{
    auto find = [&]() -> HWND {
        owned_box_search search{owner};
        EnumWindows(find_owned_box, reinterpret_cast<LPARAM>(&search));
        return search.found;
    };
    return answer_found_box(find, answer, look, show);
}

std::wstring box_text(HWND box)
{
    // The message is the box's static control 0xFFFF.
    wchar_t text[2048] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 2048);
    return text;
}

} // namespace boxes
