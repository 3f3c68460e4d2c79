#pragma once
// The application object: the state of one run, and the start-up sequence
// that ends in the modal wizard.
#include "framework/win_app.h"
#include "uninstall_log/uninstall_log.h"
#include "winhelpers/named_objects.h"

#include <cstdint>
#include <functional>
#include <string>

enum InstallState : int32_t {
    NewerInstalled = -1, // a newer version is installed: installing is not possible
    NotInstalled = 0,
    SameVersion = 1,     // the same version, or an installed version of 0
    Update = 2,          // an older version is installed
};

// Where the default folders come from. Tests replace a lookup to make it fail.
struct FolderLookups {
    // SHGetSpecialFolderPathW without creation, into 261 characters.
    std::function<bool(int csidl, wchar_t* buffer)> specialFolder;
    // HKLM\Software\Microsoft\Windows\CurrentVersion, value ProgramFilesDir.
    std::function<bool(wchar_t* buffer, DWORD bytes)> programFilesValue;
    // tw::system_windows_directory.
    std::function<void(wchar_t* buffer)> windowsDirectory;

    static FolderLookups System();
};

class CInstallApp : public CWinApp {
public:
    CInstallApp();

    // The whole run; always false, which ends the process.
    BOOL InitInstance() override;

    // The installation state; for NewerInstalled and Update also the installed
    // version's display text.
    InstallState GetInstallState(std::wstring* text = nullptr) const;

    // Start-up steps, in the order InitInstance runs them.
    void ChooseStartupLanguage();
    void SetApplicationName();
    void SetDefaultFolders(const FolderLookups& lookups = FolderLookups::System());
    void SetShortcutAndModeDefaults();

    // Forms m_tempFolder, this run's working folder in the user's temporary
    // folder (not created here). False, with `error` set, when the
    // temporary path is unavailable or too long.
    bool MakeTempFolderPath(std::wstring& error);

    InstallState m_installState = NotInstalled;
    std::wstring m_installedVersionText;
    // The installer's single-instance mutex, owned for the whole run except
    // while the product registers itself.
    tw::named_mutex m_instanceMutex;
    std::wstring m_installPath;
    std::wstring m_shortcutFolder;
    std::wstring m_tempFolder;
    bool m_startMenuShortcut = true;
    bool m_desktopShortcut = true;
    bool m_advancedMode = false;
    // The previous installation's log; during the installation this run's journal.
    CUninstallLog m_previousLog;
    bool m_installCompleted = false;
};

// The one application object of the installer (the executable defines it).
CInstallApp& InstallApp();
