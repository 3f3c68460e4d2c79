// The demo product: a small window that counts itself into the product
// family's running-instances semaphore while it runs. Started with
// "/Register /Background" it registers its document type and its own path
// (which the next installer reads to find the installed version) and ends
// with -10, the answer the installer waits for.
#include <windows.h>

#include <string>

#include "app/product.h"
#include "app/running_instances.h"

namespace {

constexpr int registered_exit_code = -10;
const wchar_t* const document_extension = L".kvn";
const wchar_t* const document_class = L"Korvane.Document.6";

bool set_default_value(const std::wstring& key, const std::wstring& value)
{
    HKEY h = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExW(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

bool register_installed_path(const std::wstring& exe)
{
    HKEY h = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, CompanyKeyPath().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h,
                        nullptr) != ERROR_SUCCESS)
        return false;
    std::wstring name = InstalledPathValueName();
    LONG rc = RegSetValueExW(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(exe.c_str()),
                             static_cast<DWORD>((exe.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

bool register_product()
{
    wchar_t exe[MAX_PATH] = {};
    if (!GetModuleFileNameW(nullptr, exe, MAX_PATH))
        return false;
    std::wstring cls = document_class;
    return register_installed_path(exe) && set_default_value(document_extension, cls) &&
           set_default_value(cls, L"Korvane Document") &&
           set_default_value(cls + L"\\DefaultIcon", std::wstring(exe) + L",0") &&
           set_default_value(cls + L"\\shell\\open\\command", L"\"" + std::wstring(exe) + L"\" \"%1\"");
}

LRESULT CALLBACK window_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

int run_window(HINSTANCE instance, int show)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"KorvaneMainWindow";
    RegisterClassW(&wc);
    std::wstring title = ProductNameWithVersion();
    HWND wnd = CreateWindowW(wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640,
                             480, nullptr, nullptr, instance, nullptr);
    if (!wnd)
        return 1;
    ShowWindow(wnd, show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR command_line, int show)
{
    startup::RegisterRunningInstance();
    std::wstring args = command_line ? command_line : L"";
    if (args.find(L"/Register") != std::wstring::npos && args.find(L"/Background") != std::wstring::npos)
        return register_product() ? registered_exit_code : 1;
    return run_window(instance, show);
}
