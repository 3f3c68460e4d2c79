#pragma once
// Everything that depends on the product: names, numbers, keys, kernel-object
// names. No other file spells the product or the company out.
#include <array>
#include <cstdint>
#include <string>

std::wstring ProductName();             // Korvane
std::wstring ProductVersionText();      // 6.52a
std::wstring ProductNameWithVersion();  // Korvane 6.52a
std::wstring ProductFolderName();       // Korvane 6
std::wstring CompanyName();             // Tarnwick
std::wstring CompanyUrl();
std::wstring CompanyTelephone();

// "Installer" in the current language, with " – Korvane 6.52a" when asked.
std::wstring InstallerTitle(bool withProduct);

using VersionParts = std::array<uint16_t, 4>;
constexpr VersionParts kProductVersion = {6, 52, 1, 1};

// The four 16-bit parts as one unsigned number, most significant first.
constexpr uint64_t VersionValue(const VersionParts& parts)
{
    uint64_t value = 0;
    for (uint16_t part : parts)
        value = (value << 16) | part;
    return value;
}
constexpr uint64_t kProductVersionValue = VersionValue(kProductVersion);
static_assert(kProductVersionValue == 0x0006003400010001ull);

std::wstring ProductVersionString();    // 6.52.1.1

// Under HKEY_LOCAL_MACHINE.
std::wstring UninstallRootKeyPath();    // Software\Microsoft\Windows\CurrentVersion\Uninstall
std::wstring UninstallKeyPath();        // Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane 6
std::wstring CompanyKeyPath();          // Software\Tarnwick
std::wstring InstalledPathValueName();  // Korvane 6 Path
constexpr const wchar_t* kLanguageValueName = L"TwLanguage";

std::wstring InstallerMutexName();
std::wstring RunningInstancesSemaphoreName();
std::wstring UninstallLogFileName();    // Uninstall.ulog
