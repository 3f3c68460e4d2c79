#pragma once
class CInstallApp;

// Runs the wizard frame modally as the application's main window.
void RunWizard(CInstallApp& app);
