#pragma once
// Start-up's look at an earlier installation of the product: which version is
// installed, and the folders its uninstall log recorded.
#include <string>

class CInstallApp;

// Sets m_installState and m_installedVersionText from the installed product's
// main executable (the company key's "<product folder> Path" value), and puts
// that executable's path into `installedProduct` (empty when not installed).
// False, after an error box, when its version resource cannot be read: the
// start-up ends there.
bool DetectInstalledProduct(CInstallApp& app, std::wstring& installedProduct);

// For the same or an older installed version: reads the previous uninstall
// log, found beside the uninstaller (UninstallString) or else beside the
// installed executable, into m_previousLog and takes its two folders.
void ReadPreviousUninstallLog(CInstallApp& app, const std::wstring& installedProduct);
