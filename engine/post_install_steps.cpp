// The steps after a successful copy: the shortcuts, and the registration of
// the product with Windows and by the product itself.
#include "engine/install_sequence.h"

#include "app/install_app.h"
#include "app/installer_texts.h"
#include "app/language.h"
#include "app/product.h"
#include "framework/wait_cursor.h"
#include "resources/text_ids.h"
#include "winhelpers/scoped_handle.h"
#include "winhelpers/scoped_reg_key.h"
#include "winhelpers/shell_link.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

namespace {

// The product's answer when it has registered itself.
constexpr DWORD kRegisteredExitCode = static_cast<DWORD>(-10);

bool set_string(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool set_dword(HKEY key, const wchar_t* name, DWORD value)
{
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) ==
           ERROR_SUCCESS;
}

} // namespace

bool CInstallSequence::CreateShortcuts()
{
    std::wstring text = LoadText(IDS_CREATING_SHORTCUTS);
    m_view.SetStatus(text);
    m_view.AppendLine(text, false);
    bool ok = true;
    if (m_app.m_startMenuShortcut) {
        const std::wstring& folder = m_app.m_shortcutFolder;
        ok &= CreateOneShortcut(0, folder, m_mainProgramPath, ProductNameWithVersion());
        ok &= CreateOneShortcut(1, folder, m_uninstallerPath,
                                FormatText(LoadText(IDS_UNINSTALL_SHORTCUT), {ProductName()}));
    }
    if (m_app.m_desktopShortcut) {
        wchar_t desktop[MAX_PATH] = {};
        HWND owner = m_view.Owner();
        if (!SHGetSpecialFolderPathW(owner, desktop, CSIDL_COMMON_DESKTOPDIRECTORY, FALSE) &&
            !SHGetSpecialFolderPathW(owner, desktop, CSIDL_DESKTOPDIRECTORY, FALSE))
            desktop[0] = 0;
        ok &= CreateOneShortcut(2, desktop, m_mainProgramPath, ProductNameWithVersion());
    }
    AppendResult(ok);
    return ok;
}

bool CInstallSequence::CreateOneShortcut(int slot, const std::wstring& folder, const std::wstring& target,
                                         const std::wstring& name)
{
    CUninstallLog& journal = m_app.m_previousLog;
    journal.AddShortcut(slot, folder.c_str());
    std::wstring link;
    bool ok = tw::create_shortcut(target, folder, name.c_str(), &link);
    journal.Complete(ok, ok ? link.c_str() : nullptr);
    return ok;
}

bool CInstallSequence::RegisterProduct()
{
    std::wstring text = LoadText(IDS_WRITING_REGISTRY);
    m_view.SetStatus(text);
    m_view.AppendLine(text, false);
    bool registry = WriteUninstallKey();
    bool ok = RunSelfRegistration(registry);
    AppendResult(ok);
    return ok;
}

bool CInstallSequence::WriteUninstallKey()
{
    tw::scoped_reg_key uninstall;
    if (uninstall.open(HKEY_LOCAL_MACHINE, UninstallRootKeyPath().c_str(), KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return false;
    tw::scoped_reg_key product;
    DWORD disposition = 0;
    if (product.create(uninstall.get(), ProductFolderName().c_str(), KEY_ALL_ACCESS, &disposition) != ERROR_SUCCESS)
        return false;
    CUninstallLog& journal = m_app.m_previousLog;
    journal.AddRegistryKey(disposition == REG_OPENED_EXISTING_KEY ? product.get() : nullptr);

    HKEY key = product.get();
    bool ok = set_string(key, L"DisplayName", ProductNameWithVersion());
    ok &= set_string(key, L"UninstallString", m_uninstallerPath);
    set_string(key, L"DisplayIcon", m_mainProgramPath + L",0");
    set_string(key, L"DisplayVersion", ProductVersionString());
    set_string(key, L"Publisher", CompanyName());
    set_string(key, L"URLInfoAbout", CompanyUrl());
    set_string(key, L"HelpLink", CompanyUrl());
    set_string(key, L"URLUpdateInfo", CompanyUrl());
    set_string(key, L"HelpTelephone", CompanyTelephone());
    set_dword(key, L"NoModify", 1);
    set_dword(key, L"NoRepair", 1);
    set_dword(key, kLanguageValueName, static_cast<DWORD>(tw::current_language()));
    product.reset();
    journal.Complete(ok, nullptr);
    return ok;
}

bool CInstallSequence::RunSelfRegistration(bool registryResult)
{
    CUninstallLog& journal = m_app.m_previousLog;
    journal.AddRegistration();

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNOACTIVATE;
    wchar_t program[MAX_PATH] = {};
    lstrcpynW(program, m_mainProgramPath.c_str(), MAX_PATH);
    PathQuoteSpacesW(program);
    std::wstring command = std::wstring(program) + L" /Register /Background";
    std::vector<wchar_t> commandLine(command.begin(), command.end());
    commandLine.resize(commandLine.size() < MAX_PATH ? MAX_PATH : commandLine.size() + 1, L'\0');
    wchar_t folder[MAX_PATH] = {};
    lstrcpynW(folder, m_mainProgramPath.c_str(), MAX_PATH);
    PathRemoveFileSpecW(folder);

    // The product may check for a running installer: it must not see this one.
    tw::named_mutex& mutex = m_app.m_instanceMutex;
    if (mutex.owned && mutex.handle.valid())
        ReleaseMutex(mutex.handle.get());
    mutex.owned = false;

    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, HIGH_PRIORITY_CLASS, nullptr, folder,
                        &startup, &info)) {
        journal.Complete(false, nullptr);
        mutex.try_lock();
        return false;
    }
    tw::scoped_handle process(info.hProcess);
    tw::scoped_handle thread(info.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.get(), &exitCode))
        exitCode = 0;
    process.reset();
    thread.reset();
    mutex.try_lock();

    bool registered = exitCode == kRegisteredExitCode;
    journal.Complete(registered, nullptr);
    if (registered) {
        CWaitCursor busy;
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
    }
    return registryResult && registered;
}
