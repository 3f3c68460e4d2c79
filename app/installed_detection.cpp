#include "app/installed_detection.h"

#include "app/install_app.h"
#include "app/product.h"
#include "framework/message_box.h"
#include "winhelpers/version_info.h"

#include <shlwapi.h>

namespace {

// A REG_SZ value under HKEY_LOCAL_MACHINE into `chars` characters, always
// terminated.
bool read_string_value(const std::wstring& key, const std::wstring& name, wchar_t* buffer, DWORD chars)
{
    DWORD type = 0;
    DWORD bytes = (chars - 1) * sizeof(wchar_t);
    buffer[0] = 0;
    LSTATUS rc = SHGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), &type, buffer, &bytes);
    buffer[chars - 1] = 0;
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        buffer[0] = 0;
        return false;
    }
    buffer[bytes / sizeof(wchar_t) < chars ? bytes / sizeof(wchar_t) : chars - 1] = 0;
    return true;
}

// The log beside `file`, if there is one.
std::wstring log_beside(const wchar_t* file)
{
    wchar_t path[MAX_PATH] = {};
    lstrcpynW(path, file, MAX_PATH);
    PathRemoveFileSpecW(path);
    if (!PathAppendW(path, UninstallLogFileName().c_str()) || !PathFileExistsW(path))
        return {};
    return path;
}

} // namespace

bool DetectInstalledProduct(CInstallApp& app, std::wstring& installedProduct)
{
    installedProduct.clear();
    app.m_installState = NotInstalled;
    app.m_installedVersionText.clear();

    wchar_t path[MAX_PATH] = {}; // at most 259 characters and the terminator
    if (!read_string_value(CompanyKeyPath(), InstalledPathValueName(), path, MAX_PATH) || !path[0] ||
        !PathFileExistsW(path))
        return true;
    installedProduct = path;

    tw::file_version_info info;
    info.request = tw::file_version_info::want_everything;
    if (!tw::read_version_info(info, path)) {
        AfxMessageBox(L"The version information of the installed " + ProductName() + L" program cannot be read:\n\n" +
                          installedProduct + L"\n\nRepair or remove that installation, then run this installer again.",
                      MB_OK | MB_ICONEXCLAMATION);
        return false;
    }

    const uint64_t installed = info.file_version;
    if (installed == 0 || installed == kProductVersionValue)
        app.m_installState = SameVersion;
    else if (kProductVersionValue > installed)
        app.m_installState = Update;
    else
        app.m_installState = NewerInstalled;
    if (app.m_installState == Update || app.m_installState == NewerInstalled)
        app.m_installedVersionText = info.title;
    return true;
}

void ReadPreviousUninstallLog(CInstallApp& app, const std::wstring& installedProduct)
{
    if (app.m_installState != SameVersion && app.m_installState != Update) {
        app.m_previousLog.Read(nullptr);
        return;
    }
    std::wstring logPath;
    wchar_t uninstaller[MAX_PATH] = {};
    if (read_string_value(UninstallKeyPath(), L"UninstallString", uninstaller, MAX_PATH))
        logPath = log_beside(uninstaller);
    if (logPath.empty() && !installedProduct.empty())
        logPath = log_beside(installedProduct.c_str());
    if (logPath.empty())
        return;
    app.m_previousLog.Read(logPath.c_str());
    app.m_installPath = app.m_previousLog.installPath;
    app.m_shortcutFolder = app.m_previousLog.shortcutPath;
}
