#include "engine/message_pump.h"

#include "framework/win_app.h"

#include <windows.h>

namespace tw {

void pump_messages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        CWinApp* app = AfxGetApp();
        if (app && app->PreTranslateMessage(&msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace tw
