// The demo product: a small window that counts itself into the product
// family's running-instances semaphore while it runs. Started with
// "/Register /Background" it registers its document type and its own path
// (which the next installer reads to find the installed version) and ends
// with -10, the answer the installer waits for. "/Unregister" takes back what
// the registration wrote, leaving what another program has since claimed,
// and ends with -10 too (the uninstaller waits for it).
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>

#include "app/product.h"
#include "app/running_instances.h"
#include "winhelpers/scoped_reg_key.h"

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

std::wstring default_value(HKEY root, const std::wstring& key)
{
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t), type = 0;
    tw::scoped_reg_key k;
    if (k.open(root, key.c_str(), KEY_QUERY_VALUE) != ERROR_SUCCESS ||
        RegQueryValueExW(k.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return value;
}

bool deleted(DWORD result)
{
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

// The installed path value when it names this program, and the company key
// when nothing else is left in it.
bool unregister_installed_path(const std::wstring& exe)
{
    tw::scoped_reg_key key;
    LONG rc = key.open(HKEY_LOCAL_MACHINE, CompanyKeyPath().c_str(), KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (rc == ERROR_FILE_NOT_FOUND)
        return true;
    if (rc != ERROR_SUCCESS)
        return false;
    std::wstring name = InstalledPathValueName();
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ && lstrcmpiW(value, exe.c_str()) == 0 &&
        !deleted(static_cast<DWORD>(RegDeleteValueW(key.get(), name.c_str()))))
        return false;
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    key.reset();
    return subkeys != 0 || values != 0 || deleted(static_cast<DWORD>(RegDeleteKeyW(HKEY_LOCAL_MACHINE,
                                                                                  CompanyKeyPath().c_str())));
}

bool unregister_product()
{
    wchar_t exe[MAX_PATH] = {};
    if (!GetModuleFileNameW(nullptr, exe, MAX_PATH))
        return false;
    bool ok = unregister_installed_path(exe);
    // The extension only while it still names this product's document class.
    if (default_value(HKEY_CLASSES_ROOT, document_extension) == document_class)
        ok &= deleted(SHDeleteKeyW(HKEY_CLASSES_ROOT, document_extension));
    ok &= deleted(SHDeleteKeyW(HKEY_CLASSES_ROOT, document_class));
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return ok;
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
    if (args.find(L"/Unregister") != std::wstring::npos)
        return unregister_product() ? registered_exit_code : 1;
    return run_window(instance, show);
}
