// Program entry: the framework hands control to the application object.
#include "win_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return 1;
    // InitInstance runs the whole installer; it answers false when it is done.
    app->InitInstance();
    return 0;
}
