#include "app/install_app.h"

#include "app/installed_detection.h"
#include "app/installer_texts.h"
#include "app/language.h"
#include "app/product.h"
#include "app/running_instances.h"
#include "app/startup_guards.h"
#include "app/system_folders.h"
#include "engine/temp_folder.h"
#include "winhelpers/security.h"
#include "wizard/wizard_entry.h"

#include <shlobj.h>
#include <shlwapi.h>

FolderLookups FolderLookups::System()
{
    FolderLookups l;
    l.specialFolder = [](int csidl, wchar_t* buffer) {
        return SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE) != FALSE;
    };
    l.programFilesValue = [](wchar_t* buffer, DWORD bytes) {
        DWORD type = 0;
        return SHGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion",
                           L"ProgramFilesDir", &type, buffer, &bytes) == ERROR_SUCCESS &&
               type == REG_SZ;
    };
    l.windowsDirectory = tw::system_windows_directory;
    return l;
}

CInstallApp::CInstallApp() : m_instanceMutex(InstallerMutexName(), false, true) {}

InstallState CInstallApp::GetInstallState(std::wstring* text) const
{
    if (text && (m_installState == NewerInstalled || m_installState == Update))
        *text = m_installedVersionText;
    return m_installState;
}

void CInstallApp::ChooseStartupLanguage()
{
    tw::set_language(tw::detect_language(tw::product_languages_mask));
    DWORD type = 0, value = 0, size = sizeof(value);
    if (SHGetValueW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), kLanguageValueName, &type, &value,
                    &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof(value) && IsProductLanguage(static_cast<int>(value)))
        tw::set_language(static_cast<int>(value));
    if (!HasInstallerTexts(tw::current_language()))
        tw::set_language(tw::language_english);
}

void CInstallApp::SetApplicationName()
{
    SetAppName(InstallerTitle(true));
}

void CInstallApp::SetDefaultFolders(const FolderLookups& lookups)
{
    if (m_installPath.empty()) {
        wchar_t path[MAX_PATH + 1] = {};
        if (!lookups.specialFolder(CSIDL_PROGRAM_FILES, path) &&
            !lookups.programFilesValue(path, sizeof(path) - sizeof(wchar_t))) {
            path[0] = 0;
            lookups.windowsDirectory(path);
            PathStripToRootW(path);
            PathAppendW(path, L"Program Files");
        }
        PathAppendW(path, CompanyName().c_str());
        PathAppendW(path, ProductFolderName().c_str());
        m_installPath = path;
    }
    if (m_shortcutFolder.empty()) {
        wchar_t path[MAX_PATH] = {};
        if (!lookups.specialFolder(CSIDL_COMMON_PROGRAMS, path))
            lookups.specialFolder(CSIDL_PROGRAMS, path);
        PathAppendW(path, CompanyName().c_str());
        PathAppendW(path, ProductFolderName().c_str());
        m_shortcutFolder = path;
    }
}

void CInstallApp::SetShortcutAndModeDefaults()
{
    m_startMenuShortcut = true;
    m_desktopShortcut = true;
    m_advancedMode = false;
}

bool CInstallApp::MakeTempFolderPath(std::wstring& error)
{
    return FormTempFolderPath(m_tempFolder, error);
}

BOOL CInstallApp::InitInstance()
{
    if (!startup::SingleInstanceGuard(m_instanceMutex))
        return FALSE;
    CWinApp::InitInstance();
    ChooseStartupLanguage();
    SetApplicationName();
    if (!startup::AdministratorGuard(tw::is_user_admin))
        return FALSE;
    if (!startup::RunningProductGuard(startup::RunningMembers))
        return FALSE;
    std::wstring installedProduct;
    if (!DetectInstalledProduct(*this, installedProduct))
        return FALSE;
    ReadPreviousUninstallLog(*this, installedProduct);
    SetDefaultFolders();
    SetShortcutAndModeDefaults();
    RunWizard(*this);
    return FALSE;
}
