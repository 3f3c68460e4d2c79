// The uninstaller's pieces in-process, under Wine: which paths it refuses,
// how it takes back a log's entries in a throwaway folder tree, how its copy
// reads its command line, and its texts in every language it has.
#include "app/language.h"
#include "app/product.h"
#include "demo/log_removal.h"
#include "demo/protected_paths.h"
#include "demo/temporary_copy.h"
#include "demo/uninstall_texts.h"
#include "demo/uninstaller.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <fstream>

namespace {

using namespace uninstall;

// --- The paths never deleted ---

struct guard_case {
    const wchar_t* path;
    const wchar_t* deletable; // empty: refused
};

class ProtectedPaths : public ::testing::TestWithParam<guard_case> {};

TEST_P(ProtectedPaths, DeletableFormOrRefusal)
{
    const protected_paths guard(L"C:\\Windows", {L"C:\\Program Files", L"C:\\ProgramData\\", L"C:/users/Public/Desktop",
                                                 L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu"});
    EXPECT_EQ(guard.deletable(GetParam().path), GetParam().deletable) << testing::PrintToString(GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProtectedPaths,
    ::testing::Values(
        guard_case{L"C:\\Program Files\\Tarnwick\\Korvane 6\\Korvane.exe",
                   L"C:\\Program Files\\Tarnwick\\Korvane 6\\Korvane.exe"},
        guard_case{L"C:\\ProgramData\\Tarnwick\\Curves\\.\\Standard.crv",
                   L"C:\\ProgramData\\Tarnwick\\Curves\\Standard.crv"},
        guard_case{L"c:/ProgramData/Tarnwick/", L"c:\\ProgramData\\Tarnwick"},
        guard_case{L"C:\\Windowsfoo\\x.txt", L"C:\\Windowsfoo\\x.txt"},
        guard_case{L"Korvane.exe", L""}, guard_case{L"Tarnwick\\Korvane.exe", L""},
        guard_case{L"\\Program Files\\Tarnwick", L""}, guard_case{L"\\\\server\\share\\Korvane.exe", L""},
        guard_case{L"", L""}, guard_case{L"C:", L""}, guard_case{L"C:\\", L""}, guard_case{L"D:\\.", L""},
        guard_case{L"C:Korvane.exe", L""}, guard_case{L"C:\\Windows", L""}, guard_case{L"c:\\WINDOWS\\", L""},
        guard_case{L"C:\\Windows\\System32", L""}, guard_case{L"C:\\Windows\\win.ini", L""},
        guard_case{L"C:\\Program Files", L""}, guard_case{L"C:\\program files\\", L""},
        guard_case{L"C:\\ProgramData", L""}, guard_case{L"C:\\users\\Public\\Desktop", L""},
        guard_case{L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu", L""},
        guard_case{L"C:\\Program Files\\Tarnwick\\..\\..\\Windows", L""},
        guard_case{L"C:\\Program Files\\Tarnwick\\..", L""}));

TEST(ProtectedPathsOfThisMachine, RefuseTheSystemAndShellFolders)
{
    const protected_paths guard = protected_paths::of_this_machine();
    for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_PROGRAM_FILES, CSIDL_COMMON_APPDATA, CSIDL_COMMON_PROGRAMS,
                      CSIDL_COMMON_STARTMENU, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY, CSIDL_PROFILE}) {
        wchar_t path[MAX_PATH] = {};
        ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) << csidl;
        EXPECT_EQ(guard.deletable(path), L"") << testing::PrintToString(std::wstring(path));
    }
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    EXPECT_EQ(guard.deletable(temp), L"");
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(guard.deletable(std::wstring(system) + L"\\kernel32.dll"), L"");
    EXPECT_EQ(guard.deletable(L"C:\\Program Files\\Tarnwick"), L"C:\\Program Files\\Tarnwick");
}

// --- Taking back a log's entries ---

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void write_file(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    std::ofstream(path.c_str()) << "content";
    ASSERT_TRUE(exists(path)) << testing::PrintToString(path);
    SetFileAttributesW(path.c_str(), attributes);
}

UninstallLogEntry entry(LogEntryKind kind, const std::wstring& path, int32_t fileKind = -1)
{
    UninstallLogEntry e;
    e.kind = kind;
    e.path = path;
    e.done = true;
    e.fileKind = fileKind;
    return e;
}

class LogRemoval : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SHCreateDirectoryExW(nullptr, (kRoot + L"\\Data").c_str(), nullptr), ERROR_SUCCESS);
        ASSERT_EQ(SHCreateDirectoryExW(nullptr, (kRoot + L"\\Lang").c_str(), nullptr), ERROR_SUCCESS);
    }
    void TearDown() override
    {
        std::wstring from = kRoot + L'\0';
        SHFILEOPSTRUCTW op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        SHFileOperationW(&op);
    }
    // Records the unregistration: with which program, and whether it was still there.
    log_removal::unregistration recording(bool answer)
    {
        return [this, answer](const std::wstring& program) {
            unregistered.push_back(program);
            programWasThere = exists(program);
            return answer;
        };
    }

    const std::wstring kRoot = L"C:\\tw-removal";
    std::vector<std::wstring> unregistered;
    bool programWasThere = false;
};

// An installation's log: newest first, the program undoes its registration
// before it goes, the key goes, read-only files go, kept data and the folder
// holding it stay, a file already gone is no error, the log goes before the
// folders so that an emptied folder goes too.
TEST_F(LogRemoval, TakesBackAnInstallation)
{
    const std::wstring program = kRoot + L"\\Korvane.exe", kept = kRoot + L"\\Data\\Standard.crv",
                       language = kRoot + L"\\Lang\\KorvaneFR.dll", link = kRoot + L"\\Korvane.lnk",
                       log = kRoot + L"\\Uninstall.ulog";
    ASSERT_NO_FATAL_FAILURE(write_file(program, FILE_ATTRIBUTE_READONLY));
    ASSERT_NO_FATAL_FAILURE(write_file(kept));
    ASSERT_NO_FATAL_FAILURE(write_file(language));
    ASSERT_NO_FATAL_FAILURE(write_file(link));
    ASSERT_NO_FATAL_FAILURE(write_file(log, FILE_ATTRIBUTE_READONLY));
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);

    const std::vector<UninstallLogEntry> entries = {
        entry(LogEntryKind::Folder, kRoot),
        entry(LogEntryKind::Folder, kRoot + L"\\Data"),
        entry(LogEntryKind::File, kept, 3),
        entry(LogEntryKind::Folder, kRoot + L"\\Lang"),
        entry(LogEntryKind::File, language, 0),
        entry(LogEntryKind::File, kRoot + L"\\removed by hand.txt", 0),
        entry(LogEntryKind::File, program, 1),
        entry(LogEntryKind::MenuShortcut, link),
        entry(LogEntryKind::DesktopShortcut, L""), // never made
        entry(LogEntryKind::RegistryKey, L""),
        entry(LogEntryKind::Registration, L""),
    };
    const removal_outcome outcome =
        log_removal(protected_paths::of_this_machine(), recording(true)).run(entries, log, true);

    EXPECT_EQ(outcome.failed, std::vector<std::wstring>{});
    EXPECT_EQ(unregistered, std::vector<std::wstring>{program});
    EXPECT_TRUE(programWasThere) << "the registration is undone before the program goes";
    EXPECT_EQ(outcome.kept, std::vector<std::wstring>{kept});
    EXPECT_EQ(outcome.kept_folders(), std::vector<std::wstring>{kRoot + L"\\Data"});
    EXPECT_TRUE(exists(kept));
    for (const std::wstring& gone : {program, language, link, log, kRoot + L"\\Lang"})
        EXPECT_FALSE(exists(gone)) << testing::PrintToString(gone);
    EXPECT_TRUE(exists(kRoot)) << "it holds the kept data's folder";
    HKEY left = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), 0, KEY_READ, &left), ERROR_FILE_NOT_FOUND);
}

// Entries the guard refuses stay untouched and are named; so is a
// registration that cannot be undone. A log not read to its end stays.
TEST_F(LogRemoval, NamesWhatItMayNotOrCannotRemove)
{
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring winIni = std::wstring(windows) + L"\\win.ini";
    ASSERT_TRUE(exists(winIni));
    const std::wstring program = kRoot + L"\\Korvane.exe", log = kRoot + L"\\Uninstall.ulog";
    ASSERT_NO_FATAL_FAILURE(write_file(program));
    ASSERT_NO_FATAL_FAILURE(write_file(log));
    // A relative name, resolved against the current folder if anything.
    const std::wstring relative = L"relative.txt";
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_TRUE(SetCurrentDirectoryW(kRoot.c_str()));
    ASSERT_NO_FATAL_FAILURE(write_file(kRoot + L"\\" + relative));

    const std::vector<UninstallLogEntry> entries = {
        entry(LogEntryKind::Folder, windows),
        entry(LogEntryKind::File, program, 1),
        entry(LogEntryKind::File, winIni, 0),
        entry(LogEntryKind::File, relative, 0),
        entry(LogEntryKind::Registration, L""),
    };
    const removal_outcome outcome =
        log_removal(protected_paths::of_this_machine(), recording(false)).run(entries, log, false);
    SetCurrentDirectoryW(current);

    EXPECT_EQ(outcome.failed, (std::vector<std::wstring>{L"HKEY_CLASSES_ROOT\\...", relative, winIni, windows}));
    EXPECT_TRUE(exists(winIni));
    EXPECT_TRUE(exists(kRoot + L"\\" + relative));
    EXPECT_TRUE(exists(log));
    EXPECT_FALSE(exists(program));
}

// --- The copy's command line ---

struct finish_case {
    const wchar_t* commandLine;
    bool accepted;
    ULONG_PTR handle;
    const wchar_t* original;
};

class FinishRequest : public ::testing::TestWithParam<finish_case> {};

TEST_P(FinishRequest, Parsed)
{
    std::optional<finish_request> request = parse_finish_request(GetParam().commandLine);
    ASSERT_EQ(request.has_value(), GetParam().accepted);
    if (request) {
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(request->original), GetParam().handle);
        EXPECT_EQ(request->originalPath, GetParam().original);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FinishRequest,
    ::testing::Values(
        finish_case{L"\"C:\\Temp\\tarnwick_uninstall_8_0\\Uninstall.exe\" /Finish 124 \"C:\\Program Files\\Tarnwick\\Korvane 6\\Uninstall.exe\"",
                    true, 124, L"C:\\Program Files\\Tarnwick\\Korvane 6\\Uninstall.exe"},
        finish_case{L"Uninstall.exe /finish 8 C:\\K\\Uninstall.exe", true, 8, L"C:\\K\\Uninstall.exe"},
        finish_case{L"\"C:\\Program Files\\Tarnwick\\Korvane 6\\Uninstall.exe\"", false, 0, L""},
        finish_case{L"C:\\Program Files\\Tarnwick\\Korvane 6\\Uninstall.exe", false, 0, L""},
        finish_case{L"Uninstall.exe /Finish x12 C:\\K\\Uninstall.exe", false, 0, L""},
        finish_case{L"Uninstall.exe /Finish 12 \"\"", false, 0, L""},
        finish_case{L"Uninstall.exe /Other 12 C:\\K\\Uninstall.exe", false, 0, L""}, finish_case{L"", false, 0, L""}));

TEST(TemporaryCopy, ATestProgramIsNoCopyAndSchedulesNothing)
{
    EXPECT_FALSE(running_as_temporary_copy());
    EXPECT_TRUE(schedule_removal_of_temporary_copy());
}

// --- Texts ---

TEST(UninstallTexts, EveryLanguageHasEveryText)
{
    const int languages[] = {tw::language_english, tw::language_french, tw::language_german};
    std::vector<std::wstring> confirmations;
    for (int language : languages) {
        set_text_language(language);
        for (UINT id = static_cast<UINT>(text::confirm); id <= static_cast<UINT>(text::handover_failed); ++id)
            EXPECT_FALSE(load_text(static_cast<text>(id), {L"X"}).empty()) << "language " << language << ", text " << id;
        confirmations.push_back(load_text(text::confirm, {L"Korvane 6.52a"}));
    }
    EXPECT_EQ(confirmations[0], L"Do you want to remove Korvane 6.52a and all of its components from this computer?");
    EXPECT_EQ(confirmations[1], L"Voulez-vous supprimer Korvane 6.52a et tous ses composants de cet ordinateur ?");
    EXPECT_EQ(confirmations[2], L"Möchten Sie Korvane 6.52a mit allen Komponenten von diesem Computer entfernen?");
    // A language without texts speaks English.
    set_text_language(tw::language_hebrew);
    EXPECT_EQ(load_text(text::confirm, {L"K"}), L"Do you want to remove K and all of its components from this computer?");
    EXPECT_EQ(language_block(tw::language_dutch), kEnglishBlock);
    set_text_language(tw::language_english);
}

// The language the installation recorded, else the user's.
TEST(UninstallTexts, LanguageFromTheUninstallKey)
{
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str());
    EXPECT_EQ(installed_language(), user_language());
    for (DWORD recorded : {0u, 2u, 16u}) {
        ASSERT_EQ(SHSetValueW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), L"TwLanguage", REG_DWORD, &recorded,
                              sizeof(recorded)),
                  ERROR_SUCCESS);
        EXPECT_EQ(installed_language(), static_cast<int>(recorded));
    }
    const wchar_t text[] = L"2";
    SHSetValueW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), L"TwLanguage", REG_SZ, text, sizeof(text));
    EXPECT_EQ(installed_language(), user_language()) << "a value of another type is no language";
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str());
}

} // namespace
