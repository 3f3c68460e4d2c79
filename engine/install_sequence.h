#pragma once
// The install sequence: runs the payload extraction into the chosen folders,
// journals every change so that a failed copy is rolled back, then creates
// the shortcuts, registers the product and writes the uninstall log.
#include "engine/install_view.h"
#include "payload/notification.h"

#include <cstdint>
#include <istream>
#include <string>
#include <system_error>

class CInstallApp;

// The code shown after "Installation failed (Error Code %1).": "1:%08X" for a
// system error, "2:%08X" for a C runtime error, the number for the payload's
// own codes, "7" for anything else.
std::wstring InstallErrorCodeText(const std::error_code& code);

// The progress bar's position for `processed` of `total` bytes: rounded to
// the nearest percent, but 99 while bytes remain.
int ProgressPosition(uint64_t processed, uint64_t total);

// Users' modify access to a kept data file: read, write and delete.
constexpr DWORD kKeptDataAccess = FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE;

class CInstallSequence {
public:
    // `mainProgramPath` and `uninstallerPath` belong to the page; the
    // sequence empties them and fills them in as the payload names them.
    CInstallSequence(CInstallApp& app, IInstallView& view, std::wstring& mainProgramPath,
                     std::wstring& uninstallerPath);

    // The whole sequence: true when the payload was copied; failures after
    // the copy show as "Failed" on their line and do not change it.
    bool Run();

    // The reaction to one extractor notification, without the message pump
    // that follows it in a run. Raises an error-code exception when the
    // payload fails its pre-check or an existing file cannot be backed up.
    tw::notification::result React(const tw::notification& n);
    // The stream the pre-check reads and rewinds (the payload).
    void SetPayloadStream(std::istream* stream) { m_payload = stream; }

    // The steps after the copy; each appends its own line and result.
    bool CreateShortcuts();
    bool RegisterProduct();
    bool WriteUninstallLog();
    // Marks the main program and the uninstaller read-only.
    void ProtectExecutables();

private:
    tw::notification::result OnStart();
    tw::notification::result OnFileBegin(const tw::archive_entry& entry);
    tw::notification::result OnFileEnd(const tw::archive_entry& entry);
    tw::notification::result OnProgress(uint64_t processed, uint64_t total);
    tw::notification::result OnError(const std::error_code& code);
    bool CreateOneShortcut(int slot, const std::wstring& folder, const std::wstring& target,
                           const std::wstring& name);
    bool WriteUninstallKey();
    bool RunSelfRegistration(bool registryResult);
    void AppendResult(bool ok);

    CInstallApp& m_app;
    IInstallView& m_view;
    std::wstring& m_mainProgramPath;
    std::wstring& m_uninstallerPath;
    std::istream* m_payload = nullptr;
};
