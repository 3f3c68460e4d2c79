#pragma once
// Keeps the windows of the user-interface thread alive while it works.

namespace tw {

// Dispatches every message waiting in the thread's queue and returns when it
// is empty. A WM_QUIT is posted again and ends the pumping, so that the loop
// it was meant for still sees it.
void pump_messages();

} // namespace tw
