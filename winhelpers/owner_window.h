#pragma once
// The owner the helper layer gives shell calls and boxes when a caller names none.
#include <windows.h>

namespace tw {

// The active window's root owner, else the first captioned root owner among the
// thread's top-level windows; answered as its last active popup, or null.
HWND owner_window();

} // namespace tw
