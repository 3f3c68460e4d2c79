#include "engine/install_sequence.h"

#include "app/install_app.h"
#include "app/installer_texts.h"
#include "app/product.h"
#include "engine/message_pump.h"
#include "engine/temp_folder.h"
#include "framework/wait_cursor.h"
#include "payload/compress_error.h"
#include "payload/extract.h"
#include "payload/resource_stream.h"
#include "resources/resource_ids.h"
#include "resources/text_ids.h"
#include "winhelpers/security.h"

#include <shlwapi.h>

#include <cwchar>
#include <variant>

namespace {

bool is_file(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring hex_code(const wchar_t* prefix, int value)
{
    wchar_t text[32] = {};
    swprintf(text, 32, L"%ls%08X", prefix, static_cast<unsigned>(value));
    return text;
}

} // namespace

std::wstring InstallErrorCodeText(const std::error_code& code)
{
    if (code.category() == std::system_category())
        return hex_code(L"1:", code.value());
    if (code.category() == std::generic_category())
        return hex_code(L"2:", code.value());
    if (code.category() == tw::compress_category())
        return std::to_wstring(code.value());
    return L"7";
}

int ProgressPosition(uint64_t processed, uint64_t total)
{
    if (total == 0)
        return 0;
    double percent = static_cast<double>(processed) / static_cast<double>(total) * 100.0 + 0.5;
    int position = percent >= 100.0 ? 100 : static_cast<int>(percent);
    if (position == 100 && processed < total)
        position = 99;
    return position;
}

CInstallSequence::CInstallSequence(CInstallApp& app, IInstallView& view, std::wstring& mainProgramPath,
                                   std::wstring& uninstallerPath)
    : m_app(app), m_view(view), m_mainProgramPath(mainProgramPath), m_uninstallerPath(uninstallerPath)
{
}

bool CInstallSequence::Run()
{
    m_mainProgramPath.clear();
    m_uninstallerPath.clear();
    CWaitCursor busy;
    m_view.AppendLine(std::wstring(), true);
    m_view.SetStatus(LoadText(IDS_PREPARING));

    std::wstring error;
    if (!m_app.MakeTempFolderPath(error)) {
        std::wstring text = FormatText(LoadText(IDS_INSTALL_FAILED), {error});
        m_view.SetStatus(text);
        m_view.AppendLine(text + L"\r\n", false);
        return false;
    }
    TempFolder temp(m_app.m_tempFolder);
    temp.MakeCurrent();
    m_view.SetProgress(0);
    m_view.ShowProgress(true);

    bool copied = false;
    bool extracting = false;
    try {
        tw::target_folders folders{m_app.m_installPath, FormatText(LoadText(IDS_SAMPLE_FOLDER), {ProductName()}),
                                   m_app.m_tempFolder};
        tw::imemstream payload = tw::open_resource_stream(RT_TW_PAYLOAD, IDR_PAYLOAD);
        m_payload = &payload;
        extracting = true;
        copied = tw::extract_archive(payload, std::move(folders), [this](tw::notification n) {
            tw::notification::result answer = React(n);
            tw::pump_messages();
            return answer;
        });
        extracting = false;
        m_payload = nullptr;
        if (!copied)
            m_app.m_previousLog.Rollback();
    } catch (const std::exception&) {
        // Only a failure inside the error reaction itself gets here.
        m_payload = nullptr;
        if (extracting)
            m_app.m_previousLog.Rollback();
        copied = false;
    }

    if (copied) {
        ProtectExecutables();
        if (m_app.m_startMenuShortcut || m_app.m_desktopShortcut)
            CreateShortcuts();
        RegisterProduct();
        WriteUninstallLog();
        m_view.SetStatus(FormatText(LoadText(IDS_STATUS_CONTINUE), {LoadText(IDS_NEXT_BUTTON)}));
    }
    TempFolder::ClearCurrent();
    temp.Release();
    return copied;
}

tw::notification::result CInstallSequence::React(const tw::notification& n)
{
    using tw::notification;
    switch (n.index()) {
    case 0:
        return OnStart();
    case 2:
        return OnFileBegin(std::get<notification::file_begin>(n).entry);
    case 3:
        return OnFileEnd(std::get<notification::file_end>(n).entry);
    case 4: {
        const notification::progress& p = std::get<notification::progress>(n);
        return OnProgress(p.processed, p.total);
    }
    case 5:
        return OnError(std::get<notification::error>(n).code);
    default:
        return notification::result::proceed;
    }
}

tw::notification::result CInstallSequence::OnStart()
{
    std::wstring text = LoadText(IDS_PREPARING);
    m_view.SetStatus(text);
    m_view.AppendLine(text, false);
    if (!m_payload || !tw::check_payload_stream(*m_payload))
        tw::throw_compress_error(tw::compress_errc::precheck_failed);
    m_payload->clear();
    m_payload->seekg(0, std::ios::beg);
    AppendResult(true);
    return tw::notification::result::proceed;
}

tw::notification::result CInstallSequence::OnFileBegin(const tw::archive_entry& entry)
{
    using result = tw::notification::result;
    CUninstallLog& journal = m_app.m_previousLog;
    const std::wstring& destination = entry.destination;
    const uint32_t kind = entry.kind;

    if (kind == tw::kind_main_program)
        m_mainProgramPath = destination;
    else if (kind == tw::kind_uninstaller)
        m_uninstallerPath = destination;

    if (kind == tw::kind_kept_data) {
        // The user's own data of an earlier installation stays as it is.
        if (m_app.m_installState != NotInstalled && journal.ContainsInstalledFile(destination.c_str())) {
            tw::grant_users_access(destination.c_str(), kKeptDataAccess);
            return result::skip;
        }
        if (is_file(destination)) {
            journal.AddFile(destination.c_str(), static_cast<int32_t>(kind), true);
            journal.Complete(true, nullptr);
            tw::grant_users_access(destination.c_str(), kKeptDataAccess);
            return result::skip;
        }
    }
    if (kind == tw::kind_content && m_app.m_installState == Update)
        return result::skip;
    if (kind == tw::kind_special)
        TempFolder::RegisterTempFile(destination);

    wchar_t display[MAX_PATH] = {};
    lstrcpynW(display, destination.c_str(), MAX_PATH);
    PathQuoteSpacesW(display);
    std::wstring text = FormatText(LoadText(IDS_COPYING_FILE), {display});

    DWORD backupFailure = ERROR_SUCCESS;
    if (kind != tw::kind_special)
        backupFailure = journal.AddFile(destination.c_str(), static_cast<int32_t>(kind), kind == tw::kind_kept_data);
    m_view.SetStatusPath(text);
    m_view.AppendLine(text, false);
    // A file that could not be put aside is never overwritten: the copy
    // fails and rolls back, and the old file stays where it is.
    if (backupFailure != ERROR_SUCCESS)
        throw std::system_error(static_cast<int>(backupFailure), std::system_category());
    return result::proceed;
}

tw::notification::result CInstallSequence::OnFileEnd(const tw::archive_entry& entry)
{
    if (entry.kind == tw::kind_kept_data)
        tw::grant_users_access(entry.destination.c_str(), kKeptDataAccess);
    if (entry.kind != tw::kind_special)
        m_app.m_previousLog.Complete(true, nullptr);
    AppendResult(true);
    return tw::notification::result::proceed;
}

tw::notification::result CInstallSequence::OnProgress(uint64_t processed, uint64_t total)
{
    m_view.SetProgress(ProgressPosition(processed, total));
    return tw::notification::result::proceed;
}

tw::notification::result CInstallSequence::OnError(const std::error_code& code)
{
    m_app.m_previousLog.Complete(false, nullptr);
    AppendResult(false);
    m_view.SetStatus(FormatText(LoadText(IDS_INSTALL_FAILED), {InstallErrorCodeText(code)}));
    return tw::notification::result::abort;
}

void CInstallSequence::ProtectExecutables()
{
    for (const std::wstring* path : {&m_mainProgramPath, &m_uninstallerPath}) {
        if (path->empty())
            continue;
        DWORD attributes = GetFileAttributesW(path->c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesW(path->c_str(), attributes | FILE_ATTRIBUTE_READONLY);
    }
}

bool CInstallSequence::WriteUninstallLog()
{
    std::wstring text = LoadText(IDS_WRITING_INSTALL_DATA);
    m_view.SetStatus(text);
    m_view.AppendLine(text, false);
    wchar_t path[MAX_PATH] = {};
    lstrcpynW(path, m_uninstallerPath.c_str(), MAX_PATH);
    bool ok = false;
    if (PathRemoveFileSpecW(path) && PathAppendW(path, UninstallLogFileName().c_str())) {
        ok = m_app.m_previousLog.Write(path, m_app.m_installPath, m_app.m_shortcutFolder);
    } else {
        // No log can be written, but the installation stands: its backups go.
        m_app.m_previousLog.DeleteBackups();
    }
    AppendResult(ok);
    return ok;
}

void CInstallSequence::AppendResult(bool ok)
{
    m_view.AppendLine(LoadText(ok ? IDS_RESULT_OK : IDS_RESULT_FAILED) + L"\r\n", false);
}
