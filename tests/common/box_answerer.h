#pragma once
// Answers a message box that the code under test shows on the test's own
// thread: a second thread waits for the box, lets the test look at it and
// presses a button.
#include <windows.h>

#include <functional>
#include <string>

namespace boxes {

// Runs `show` on this thread while another waits for a box captioned
// `caption` (of thread `thread`, when given), hands it to `look` and presses
// `answer`. True when the box came within 15 seconds.
bool answer_box(const wchar_t* caption, int answer, const std::function<void(HWND)>& look,
                const std::function<void()>& show, DWORD thread = 0);

// The same for the box owned by `owner`. Gives up as soon as `show` returns
// without one: false then.
bool answer_box_owned_by(HWND owner, int answer, const std::function<void(HWND)>& look,
                         const std::function<void()>& show);

// The text of a box's message.
std::wstring box_text(HWND box);

} // namespace boxes
