// Start-up steps of the application object against Wine's real registry and
// shell folders, and the process-start checks.
#include "app/install_app.h"
#include "app/installer_texts.h"
#include "app/language.h"
#include "app/product.h"
#include "app/startup_checks.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <cstdlib>
#include <string>
#include <typeinfo>

#include <boost/filesystem/path.hpp>

namespace {

// HKLM\...\Uninstall\Korvane 6 and its TwLanguage value, removed afterwards.
class LanguageValue {
public:
    LanguageValue() { SHDeleteKeyW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str()); }
    ~LanguageValue() { SHDeleteKeyW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str()); }
    void set(DWORD type, const void* data, DWORD size)
    {
        ASSERT_EQ(SHSetValueW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), kLanguageValueName, type, data, size),
                  ERROR_SUCCESS);
    }
};

std::string lc_all()
{
    const char* v = std::getenv("LC_ALL");
    return v ? v : "";
}

TEST(StartupLanguage, RecordedProductLanguageWins)
{
    // Under a French interface the detected language is French, so a value that
    // is ignored is told apart from one that is used.
    if (lc_all() != "fr_FR.UTF-8")
        GTEST_SKIP() << "French user interface only";
    struct Case {
        const char* what;
        DWORD type;
        DWORD value;
        int expected;
    } cases[] = {
        {"absent", REG_NONE, 0, tw::language_french},
        {"German", REG_DWORD, 2, tw::language_german},
        {"Dutch: no installer texts, so English", REG_DWORD, 5, tw::language_english},
        {"Danish: not a product language", REG_DWORD, 6, tw::language_french},
        {"out of range", REG_DWORD, 0xFFFFFFFF, tw::language_french},
        {"a text, not a number", REG_SZ, 0, tw::language_french},
        {"binary of another size", REG_BINARY, 2, tw::language_french},
    };
    for (const Case& c : cases) {
        LanguageValue key;
        if (c.type == REG_DWORD)
            key.set(REG_DWORD, &c.value, sizeof(c.value));
        else if (c.type == REG_SZ)
            key.set(REG_SZ, L"2", 4); // four bytes, like a DWORD
        else if (c.type == REG_BINARY)
            key.set(REG_BINARY, "\x02\x00", 2);
        tw::set_language(tw::language_romanian);
        CInstallApp app;
        app.ChooseStartupLanguage();
        EXPECT_EQ(tw::current_language(), c.expected) << c.what;
    }
}

TEST(StartupLanguage, InterfaceLanguageWithoutInstallerTextsStartsInEnglish)
{
    // Per user interface language (LC_ALL of this run): the language the
    // installer starts in when nothing is recorded, and its title.
    struct Case {
        const char* lc_all;
        int language;
        const wchar_t* title;
    } cases[] = {
        {"", tw::language_english, L"Installer \u2013 Korvane 6.52a"},
        {"C", tw::language_english, L"Installer \u2013 Korvane 6.52a"},
        {"C.UTF-8", tw::language_english, L"Installer \u2013 Korvane 6.52a"},
        {"fr_FR.UTF-8", tw::language_french, L"Installeur \u2013 Korvane 6.52a"},
        {"de_CH.UTF-8", tw::language_german, L"Installationsprogramm \u2013 Korvane 6.52a"},
        {"zh_TW.UTF-8", tw::language_english, L"Installer \u2013 Korvane 6.52a"},  // no row
        {"he_IL.UTF-8", tw::language_english, L"Installer \u2013 Korvane 6.52a"},  // not a product language
    };
    for (const Case& c : cases) {
        if (lc_all() != c.lc_all)
            continue;
        LanguageValue key;
        CInstallApp app;
        app.ChooseStartupLanguage();
        EXPECT_EQ(tw::current_language(), c.language);
        app.SetApplicationName();
        EXPECT_EQ(app.GetAppName(), c.title);
        return;
    }
    GTEST_SKIP() << "no case for LC_ALL=" << lc_all();
}

// C:\users\<name>: the profile folder of the user the tests run as.
std::wstring user_profile()
{
    wchar_t name[256] = {};
    DWORD size = 256;
    EXPECT_TRUE(GetUserNameW(name, &size));
    return std::wstring(L"C:\\users\\") + name;
}

TEST(DefaultFolders, FromTheShellFolders)
{
    CInstallApp app;
    app.SetDefaultFolders();
    EXPECT_EQ(app.m_installPath, L"C:\\Program Files\\Tarnwick\\Korvane 6");
    EXPECT_EQ(app.m_shortcutFolder, L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tarnwick\\Korvane 6");
    EXPECT_TRUE(app.m_startMenuShortcut);
    EXPECT_TRUE(app.m_desktopShortcut);
    EXPECT_FALSE(app.m_advancedMode);
}

TEST(DefaultFolders, KeepsFoldersAlreadyKnown)
{
    CInstallApp app;
    app.m_installPath = L"D:\\Korvane";
    app.m_shortcutFolder = L"C:\\Menu\\K";
    app.SetDefaultFolders();
    EXPECT_EQ(app.m_installPath, L"D:\\Korvane");
    EXPECT_EQ(app.m_shortcutFolder, L"C:\\Menu\\K");
}

TEST(DefaultFolders, FallbacksWhenTheShellCannotTell)
{
    const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion";
    wchar_t saved[MAX_PATH] = {};
    DWORD savedSize = sizeof(saved);
    ASSERT_EQ(SHGetValueW(HKEY_LOCAL_MACHINE, key, L"ProgramFilesDir", nullptr, saved, &savedSize), ERROR_SUCCESS);
    const wchar_t other[] = L"D:\\Apps";
    ASSERT_EQ(SHSetValueW(HKEY_LOCAL_MACHINE, key, L"ProgramFilesDir", REG_SZ, other, sizeof(other)), ERROR_SUCCESS);

    FolderLookups noProgramFiles = FolderLookups::System();
    auto real = noProgramFiles.specialFolder;
    noProgramFiles.specialFolder = [real](int csidl, wchar_t* buffer) {
        return csidl == CSIDL_PROGRAM_FILES || csidl == CSIDL_COMMON_PROGRAMS ? false : real(csidl, buffer);
    };
    CInstallApp registry;
    registry.SetDefaultFolders(noProgramFiles);
    EXPECT_EQ(registry.m_installPath, L"D:\\Apps\\Tarnwick\\Korvane 6");
    // The user's own Programs folder (Wine's layout below the profile).
    EXPECT_EQ(registry.m_shortcutFolder, user_profile() + L"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"
                                                          L"\\Programs\\Tarnwick\\Korvane 6");

    FolderLookups nothing = noProgramFiles;
    nothing.programFilesValue = [](wchar_t*, DWORD) { return false; };
    CInstallApp windowsRoot;
    windowsRoot.SetDefaultFolders(nothing);
    EXPECT_EQ(windowsRoot.m_installPath, L"C:\\Program Files\\Tarnwick\\Korvane 6"); // Wine's C:\windows

    nothing.windowsDirectory = [](wchar_t* buffer) { lstrcpyW(buffer, L"E:\\WINNT"); };
    CInstallApp otherDrive;
    otherDrive.SetDefaultFolders(nothing);
    EXPECT_EQ(otherDrive.m_installPath, L"E:\\Program Files\\Tarnwick\\Korvane 6");

    SHSetValueW(HKEY_LOCAL_MACHINE, key, L"ProgramFilesDir", REG_SZ, saved, savedSize);
}

TEST(PlatformGate, Messages)
{
    auto version = [](DWORD major, DWORD minor, WORD sp) {
        OSVERSIONINFOEXW v = {};
        v.dwOSVersionInfoSize = sizeof(v);
        v.dwMajorVersion = major;
        v.dwMinorVersion = minor;
        v.wServicePackMajor = sp;
        return v;
    };
    const std::wstring incompatible = L"This Version is not compatible with your Configuration.\n\n"
                                      L"Cette version n'est pas compatible avec votre configuration.\n\n"
                                      L"Diese Version ist nicht mit Ihrer Konfiguration kompatibel.";
    struct Case {
        const char* what;
        bool sse2;
        OSVERSIONINFOEXW v;
        const wchar_t* expected;
    } cases[] = {
        {"Windows 7", true, version(6, 1, 1), nullptr},
        {"Windows 10", true, version(10, 0, 0), nullptr},
        {"Vista", true, version(6, 0, 0), nullptr},
        {"XP SP3", true, version(5, 1, 3), nullptr},
        {"XP SP2", true, version(5, 1, 2), incompatible.c_str()},
        {"Server 2003 SP2", true, version(5, 2, 2), nullptr},
        {"Server 2003 SP1", true, version(5, 2, 1), incompatible.c_str()},
        {"Windows 2000", true, version(5, 0, 4), L"Unknown System Version"},
        {"no SSE2", false, version(10, 0, 0), incompatible.c_str()},
        {"Windows 4.0", true, version(4, 0, 6), nullptr},
    };
    for (const Case& c : cases) {
        const wchar_t* got = startup::PlatformGateMessage(c.sse2, &c.v);
        if (!c.expected) {
            EXPECT_EQ(got, nullptr) << c.what;
        } else {
            EXPECT_STREQ(got, c.expected) << c.what;
        }
    }
    EXPECT_STREQ(startup::PlatformGateMessage(true, nullptr), L"GetVersionEx() failed");
}

TEST(RuntimeCheck, PassesWithThisRuntimeAndFailsOnAMissingFacet)
{
    auto fine = [] {};
    auto missing = [] { throw std::bad_cast(); };
    EXPECT_TRUE(startup::RuntimeFacetsAvailable(fine, fine));
    EXPECT_FALSE(startup::RuntimeFacetsAvailable(missing, fine));
    EXPECT_FALSE(startup::RuntimeFacetsAvailable(fine, missing));
    // The probes the installer runs: the global locale's classification facet
    // and the path library's conversion facet exist here, although no named
    // locale can be created with this runtime.
    EXPECT_THROW(std::locale(""), std::runtime_error);
    EXPECT_TRUE(startup::RuntimeFacetsAvailable(
        [] { (void)std::use_facet<std::ctype<wchar_t>>(std::locale()); },
        [] { (void)boost::filesystem::path::codecvt(); }));
}

} // namespace
