#include "app/product.h"

#include "app/installer_texts.h"

namespace {
const std::wstring kKernelObjectPrefix = L"Korvane6";
}

std::wstring ProductName() { return L"Korvane"; }
std::wstring ProductVersionText() { return L"6.52a"; }
std::wstring ProductNameWithVersion() { return ProductName() + L" " + ProductVersionText(); }
std::wstring ProductFolderName() { return L"Korvane 6"; }
std::wstring CompanyName() { return L"Tarnwick"; }
std::wstring CompanyUrl() { return L"https://www.tarnwick.example/"; }
std::wstring CompanyTelephone() { return L"+44 20 7946 0852"; }

std::wstring InstallerTitle(bool withProduct)
{
    std::wstring title = LoadText(IDS_INSTALLER_WORD);
    if (withProduct)
        title += L" \u2013 " + ProductNameWithVersion();
    return title;
}

std::wstring ProductVersionString()
{
    std::wstring s;
    for (size_t i = 0; i < kProductVersion.size(); ++i) {
        if (i)
            s += L'.';
        s += std::to_wstring(kProductVersion[i]);
    }
    return s;
}

std::wstring UninstallRootKeyPath()
{
    return L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
}

std::wstring UninstallKeyPath()
{
    return UninstallRootKeyPath() + L"\\" + ProductFolderName();
}
std::wstring CompanyKeyPath() { return L"Software\\" + CompanyName(); }
std::wstring InstalledPathValueName() { return ProductFolderName() + L" Path"; }
std::wstring InstallerMutexName() { return kKernelObjectPrefix + L".{5ead623c-dfcd-474d-8e3c-e6978cac039e}"; }
std::wstring RunningInstancesSemaphoreName() { return kKernelObjectPrefix + L".{a3526b56-ca7c-4e16-8a26-da7758a378fd}"; }
std::wstring UninstallLogFileName() { return L"Uninstall.ulog"; }
