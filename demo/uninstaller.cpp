#include "demo/uninstaller.h"

#include "app/product.h"
#include "app/running_instances.h"
#include "demo/log_removal.h"
#include "demo/uninstall_texts.h"
#include "uninstall_log/uninstall_log.h"
#include "winhelpers/message_boxes.h"
#include "winhelpers/scoped_reg_key.h"

#include <windows.h>

namespace uninstall {

namespace {

std::wstring listed(const std::vector<std::wstring>& items)
{
    std::wstring text;
    for (const std::wstring& item : items)
        text += L"\n" + item;
    return text;
}

} // namespace

int installed_language()
{
    tw::scoped_reg_key key;
    DWORD value = 0, size = sizeof(value), type = 0;
    if (key.open(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), KEY_QUERY_VALUE) == ERROR_SUCCESS &&
        RegQueryValueExW(key.get(), kLanguageValueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD)
        return static_cast<int>(value);
    return user_language();
}

int show_box(const std::wstring& text, unsigned type)
{
    return tw::message_box(text, ProductName(), type);
}

CUninstaller::CUninstaller(std::wstring originalPath)
{
    size_t slash = originalPath.find_last_of(L'\\');
    m_logPath = (slash == std::wstring::npos ? std::wstring() : originalPath.substr(0, slash + 1)) +
                UninstallLogFileName();
}

bool CUninstaller::OthersClosed() const
{
    // This process counts itself: two or more means another member runs.
    while (startup::RunningMembers() >= 2) {
        if (show_box(load_text(text::close_product, {ProductName()}), MB_RETRYCANCEL | MB_ICONEXCLAMATION) !=
            IDRETRY)
            return false;
    }
    return true;
}

bool CUninstaller::Confirmed() const
{
    return show_box(load_text(text::confirm, {ProductNameWithVersion()}), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

int CUninstaller::Run()
{
    set_text_language(installed_language());
    if (!OthersClosed() || !Confirmed())
        return kCancelled;

    CUninstallLog log;
    log.Read(m_logPath.c_str());
    if (log.previousEntries.empty() && !log.readToEnd) {
        show_box(load_text(text::log_missing, {m_logPath}), MB_OK | MB_ICONSTOP);
        return kNotAllRemoved;
    }
    const log_removal removal(protected_paths::of_this_machine(), unregister_with_product);
    const removal_outcome outcome = removal.run(log.previousEntries, m_logPath, log.readToEnd);

    const bool complete = log.readToEnd && outcome.failed.empty();
    std::wstring message = load_text(complete ? text::removed : text::partly_removed, {ProductNameWithVersion()});
    if (!log.readToEnd)
        message += L"\n\n" + load_text(text::log_damaged, {m_logPath});
    if (!outcome.kept.empty())
        message += L"\n\n" + load_text(text::kept_folders) + listed(outcome.kept_folders());
    if (!outcome.failed.empty())
        message += L"\n\n" + load_text(text::not_removed) + listed(outcome.failed);
    show_box(message, MB_OK | (complete ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    return complete ? kRemoved : kNotAllRemoved;
}

} // namespace uninstall
