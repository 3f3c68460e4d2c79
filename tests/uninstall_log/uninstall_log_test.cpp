// The uninstall log and the install journal on real files, folders and
// registry keys of the test's own Wine prefix. Runs as an unprivileged user:
// as root Wine would let writes through to read-only files.
#include "uninstall_log/uninstall_log.h"

#include "app/product.h"
#include "winhelpers/scoped_handle.h"
#include "winhelpers/scoped_reg_key.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::wstring g_fixtures; // Windows path of the committed fixture files

constexpr const wchar_t* kInstall = L"C:\\Program Files\\Tarnwick\\Korvane 6";
constexpr const wchar_t* kShortcuts = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tarnwick\\Korvane 6";

bool running_on_wine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::wstring fixture(const wchar_t* name)
{
    return g_fixtures + L"\\" + name;
}

std::string read_bytes(const std::wstring& path)
{
    tw::scoped_handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                       nullptr));
    std::string bytes;
    if (!file.valid())
        return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr) && got)
        bytes.append(chunk, got);
    return bytes;
}

void write_bytes(const std::wstring& path, const std::string& bytes)
{
    tw::scoped_handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file.valid()) << GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

std::vector<std::wstring> log_lines(const std::wstring& path)
{
    std::string bytes = read_bytes(path);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

void make_folder(const std::wstring& path)
{
    int rc = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    ASSERT_TRUE(rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS) << rc;
}

bool is_folder(const std::wstring& path)
{
    return PathIsDirectoryW(path.c_str()) != FALSE;
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

UninstallLogEntry entry(LogEntryKind kind, std::wstring path, bool done, int32_t fileKind = -1)
{
    UninstallLogEntry e;
    e.kind = kind;
    e.path = std::move(path);
    e.done = done;
    e.fileKind = fileKind;
    return e;
}

std::wstring in_install(const wchar_t* rest)
{
    return std::wstring(kInstall) + rest;
}

std::wstring in_shortcuts(const wchar_t* rest)
{
    return std::wstring(kShortcuts) + rest;
}

// This run's entries of the golden log, in the order they were recorded.
std::vector<UninstallLogEntry> golden_run()
{
    using K = LogEntryKind;
    return {
        entry(K::Folder, L"C:\\Program Files\\Tarnwick", true),
        entry(K::Folder, kInstall, true),
        entry(K::Folder, in_install(L"\\Data"), true),
        entry(K::File, in_install(L"\\core.dll"), true, 0),
        entry(K::File, in_install(L"\\Korvane.exe"), true, 1),
        entry(K::File, in_install(L"\\Uninstall.exe"), true, 2),
        entry(K::File, in_install(L"\\Data\\settings.ini"), true, 3),
        entry(K::File, in_install(L"\\Data\\intro.bik"), true, 4),
        entry(K::File, in_install(L"\\Data\\special.bin"), false, 5),
        entry(K::MenuShortcut, in_shortcuts(L"\\Korvane.lnk"), true),
        entry(K::UninstallShortcut, in_shortcuts(L"\\Uninstall Korvane.lnk"), true),
        entry(K::DesktopShortcut, L"", false), // the desktop link failed
        entry(K::RegistryKey, L"", true),
        entry(K::Registration, L"", true),
    };
}

// What reading the golden log gives: the surviving previous entries first.
std::vector<UninstallLogEntry> golden_read()
{
    using K = LogEntryKind;
    std::vector<UninstallLogEntry> all = {
        entry(K::Folder, in_install(L"\\Old"), true),
        entry(K::File, in_install(L"\\Old\\old.dll"), true, 0),
        entry(K::File, in_install(L"\\Textures\\stone.png"), false, 4),
    };
    for (UninstallLogEntry& e : golden_run())
        all.push_back(std::move(e));
    return all;
}

// --- Write ----------------------------------------------------------------

std::wstring current_test_name()
{
    const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    return std::wstring(name, name + strlen(name));
}

// Read-only, archive and not-content-indexed.
DWORD expected_log_attributes()
{
    // Wine keeps only the read-only and archive bits of a file's attributes;
    // FILE_ATTRIBUTE_NOT_CONTENT_INDEXED is accepted and dropped.
    return running_on_wine() ? 0x21u : 0x2021u;
}

class LogWrite : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = L"C:\\tw-log-" + current_test_name();
        logPath = folder + L"\\Uninstall.ulog";
        make_folder(folder);
    }
    std::wstring folder;
    std::wstring logPath;
};

TEST_F(LogWrite, MergedLogMatchesTheGoldenFileByteForByte)
{
    CUninstallLog log;
    std::wstring previous = fixture(L"previous.ulog");
    log.Read(previous.c_str());
    ASSERT_EQ(log.previousEntries.size(), 8u);
    ASSERT_EQ(log.previousTitle, L"Korvane 6.50");
    log.currentEntries = golden_run();

    EXPECT_TRUE(log.Write(logPath.c_str(), kInstall, kShortcuts));

    std::string written = read_bytes(logPath);
    std::string golden = read_bytes(fixture(L"golden.ulog"));
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(written, golden);
    EXPECT_EQ(GetFileAttributesW(logPath.c_str()), expected_log_attributes());
    EXPECT_TRUE(log.previousEntries.empty());
    EXPECT_EQ(log.currentEntries.size(), 17u);
    // The two entries without a path carry the texts they were written with.
    EXPECT_EQ(log.currentEntries[15].path, UninstallLogRegistryKeyText());
    EXPECT_EQ(log.currentEntries[16].path, L"HKEY_CLASSES_ROOT\\...");
}

TEST_F(LogWrite, LaterPreviousEntryOfAKindWithoutPathBeatsAnEarlierOne)
{
    CUninstallLog log;
    log.previousEntries = {entry(LogEntryKind::DesktopShortcut, L"C:\\old\\first.lnk", true),
                           entry(LogEntryKind::File, L"C:\\old\\a.dll", true, 0),
                           entry(LogEntryKind::DesktopShortcut, L"C:\\old\\second.lnk", true)};
    ASSERT_TRUE(log.Write(logPath.c_str(), L"C:\\x", L"C:\\y"));
    std::vector<std::wstring> lines = log_lines(logPath);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[6], L"0000:0100:1 -- C:\\old\\a.dll");
    EXPECT_EQ(lines[7], L"0001:04ff:1 -- C:\\old\\second.lnk");
}

TEST_F(LogWrite, HeaderWithoutPreviousTitleAndUnderlineOfAFortyCharacterFolder)
{
    CUninstallLog log;
    std::wstring shortcuts = L"C:\\Start\\" + std::wstring(31, L's');
    ASSERT_EQ(shortcuts.size(), 40u);
    ASSERT_TRUE(log.Write(logPath.c_str(), L"C:\\Install", shortcuts));
    std::vector<std::wstring> lines = log_lines(logPath);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2], L"// Install Korvane 6.52a");
    EXPECT_EQ(lines[3], L"// Install Path : C:\\Install");
    EXPECT_EQ(lines[5], L"// " + std::wstring(56, L'-'));
}

TEST_F(LogWrite, ReplacesAnExistingReadOnlyLog)
{
    write_bytes(logPath, "old log");
    ASSERT_TRUE(SetFileAttributesW(logPath.c_str(), FILE_ATTRIBUTE_READONLY));
    // The protection is real for this user: a plain write is refused.
    tw::scoped_handle refused(CreateFileW(logPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_FALSE(refused.valid());
    refused.reset();

    CUninstallLog log;
    log.currentEntries = {entry(LogEntryKind::Folder, L"C:\\x", true)};
    EXPECT_TRUE(log.Write(logPath.c_str(), L"C:\\x", L"C:\\y"));
    std::vector<std::wstring> lines = log_lines(logPath);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[6], L"0000:00ff:1 -- C:\\x");
    EXPECT_EQ(GetFileAttributesW(logPath.c_str()), expected_log_attributes());
}

TEST_F(LogWrite, BackupsAreDeletedEvenWhenTheFileCannotBeCreated)
{
    CUninstallLog log;
    std::wstring backup = log.MakeBackup(nullptr, false);
    ASSERT_FALSE(backup.empty());
    write_bytes(backup, "saved");
    ASSERT_TRUE(SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_READONLY));
    UninstallLogEntry e = entry(LogEntryKind::File, L"C:\\x\\a.dll", true, 0);
    e.backup = backup;
    log.currentEntries = {e};

    EXPECT_FALSE(log.Write(L"C:\\tw-no-such-folder\\deeper\\Uninstall.ulog", L"C:\\x", L"C:\\y"));
    EXPECT_FALSE(exists(backup));
    EXPECT_TRUE(log.currentEntries[0].backup.empty());
}

// --- Read -----------------------------------------------------------------

struct ReadCase {
    const char* name;
    const wchar_t* file;
    std::wstring installPath;
    std::wstring shortcutPath;
    std::wstring title;
    std::vector<UninstallLogEntry> entries;
    bool readToEnd = false; // no damaged, foreign or cut line
};

void PrintTo(const ReadCase& c, std::ostream* os)
{
    *os << c.name;
}

class LogRead : public ::testing::TestWithParam<ReadCase> {
protected:
    static void SetUpTestSuite()
    {
        // The golden log's two folders exist, so that reading gives them back.
        make_folder(kInstall);
        make_folder(kShortcuts);
    }
};

TEST_P(LogRead, FoldersTitleAndEntries)
{
    const ReadCase& c = GetParam();
    CUninstallLog log;
    log.installPath = L"stale";
    std::wstring path = fixture(c.file);
    log.Read(path.c_str());
    EXPECT_EQ(log.installPath, c.installPath);
    EXPECT_EQ(log.shortcutPath, c.shortcutPath);
    EXPECT_EQ(log.previousTitle, c.title);
    EXPECT_EQ(log.previousEntries, c.entries);
    EXPECT_EQ(log.readToEnd, c.readToEnd);
    EXPECT_TRUE(log.currentEntries.empty());
}

std::vector<ReadCase> read_cases()
{
    using K = LogEntryKind;
    const std::wstring win = L"C:\\windows";
    const std::wstring sys = L"C:\\windows\\system32";
    std::vector<UninstallLogEntry> truncated = golden_read();
    truncated.resize(5);
    truncated.push_back(entry(K::Folder, L"C:\\Prog", true));
    return {
        {"just_written", L"golden.ulog", kInstall, kShortcuts, L"Korvane 6.52a", golden_read(), true},
        {"version_2", L"version2.ulog", L"", L"", L"", {}},
        {"ansi_without_mark", L"ansi.ulog", win, sys, L"Korvane 6.52a",
         {entry(K::Folder, L"C:\\Ansi", true), entry(K::File, L"C:\\Ansi\\Korvane.exe", true, 1),
          entry(K::RegistryKey, L"", true)}, true},
        {"blank_line_ends_reading", L"blank_line.ulog", win, sys, L"Korvane 6.52a",
         {entry(K::Folder, L"C:\\A", true), entry(K::File, L"C:\\A\\b.dll", true, 0)}},
        {"kind_7_ends_reading", L"kind7.ulog", win, sys, L"Korvane 6.52a", {entry(K::Folder, L"C:\\A", true)}},
        {"missing_install_folder", L"missing_folder.ulog", L"", win, L"Korvane 6.52a",
         {entry(K::Folder, L"C:\\A", true)}, true},
        {"code_unit_with_line_feed_byte", L"u010a.ulog", win, sys, L"Korvane 6.52a",
         {entry(K::File, L"C:\\Data\\\u010aa\u0a0a.txt", true, 0), entry(K::Registration, L"", true)}, true},
        {"line_longer_than_buffer", L"long_line.ulog", win, sys, L"Korvane 6.52a",
         {entry(K::Folder, L"C:\\A", true),
          entry(K::File, L"C:\\" + std::wstring(757 - 18, L'f'), true, 0)}},
        {"truncated", L"truncated.ulog", kInstall, kShortcuts, L"Korvane 6.52a", truncated},
        {"random_bytes", L"random.ulog", L"", L"", L"", {}},
        {"missing_file", L"no such file.ulog", L"", L"", L"", {}},
    };
}

INSTANTIATE_TEST_SUITE_P(Fixtures, LogRead, ::testing::ValuesIn(read_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LogReadNull, OnlyEmptiesTheFolders)
{
    CUninstallLog log;
    log.installPath = L"a";
    log.shortcutPath = L"b";
    log.previousTitle = L"c";
    log.Read(nullptr);
    EXPECT_TRUE(log.installPath.empty());
    EXPECT_TRUE(log.shortcutPath.empty());
    EXPECT_EQ(log.previousTitle, L"c");
}

// --- The journal ----------------------------------------------------------

class Journal : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = L"C:\\tw-journal-" + current_test_name();
        make_folder(root);
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        tempFolder = temp;
    }
    std::wstring root;
    std::wstring tempFolder;
};

TEST_F(Journal, AddFileJournalsTheMissingFoldersOutermostFirst)
{
    CUninstallLog log;
    std::wstring file = root + L"\\A\\B\\C\\data.bin";
    log.AddFile(file.c_str(), 3, false);
    using K = LogEntryKind;
    std::vector<UninstallLogEntry> expected = {entry(K::Folder, root + L"\\A", true),
                                               entry(K::Folder, root + L"\\A\\B", true),
                                               entry(K::Folder, root + L"\\A\\B\\C", true),
                                               entry(K::File, file, false, 3)};
    EXPECT_EQ(log.currentEntries, expected);
    EXPECT_TRUE(log.pending);
    EXPECT_TRUE(is_folder(root + L"\\A\\B\\C"));
}

TEST_F(Journal, ReadOnlyFileIsMovedToATwBackupAndComesBackReadOnly)
{
    std::wstring file = root + L"\\Korvane.exe";
    write_bytes(file, "old program");
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));

    CUninstallLog log;
    log.AddFile(file.c_str(), 1, false);
    ASSERT_EQ(log.currentEntries.size(), 1u);
    std::wstring backup = log.currentEntries[0].backup;
    ASSERT_FALSE(backup.empty());
    EXPECT_TRUE(StrCmpNIW(backup.c_str(), (tempFolder + L"tw").c_str(), static_cast<int>(tempFolder.size() + 2)) ==
                0)
        << backup;
    EXPECT_EQ(StrCmpIW(PathFindExtensionW(backup.c_str()), L".tmp"), 0) << backup;
    EXPECT_FALSE(exists(file));
    EXPECT_EQ(read_bytes(backup), "old program");
    EXPECT_TRUE(GetFileAttributesW(backup.c_str()) & FILE_ATTRIBUTE_READONLY);

    write_bytes(file, "new program"); // what the extractor would do
    log.Complete(true, nullptr);
    log.Rollback();

    EXPECT_EQ(read_bytes(file), "old program");
    EXPECT_TRUE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(exists(backup));
    EXPECT_TRUE(log.currentEntries.empty());
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Journal, CopiedFileStaysInPlaceAndRollbackKeepsItsContent)
{
    std::wstring file = root + L"\\settings.ini";
    write_bytes(file, "user settings");

    CUninstallLog log;
    log.AddFile(file.c_str(), 3, true);
    std::wstring backup = log.currentEntries.at(0).backup;
    ASSERT_FALSE(backup.empty());
    EXPECT_EQ(read_bytes(file), "user settings");
    EXPECT_EQ(read_bytes(backup), "user settings");

    write_bytes(file, "shipped settings");
    log.Complete(true, nullptr);
    log.Rollback();
    EXPECT_EQ(read_bytes(file), "user settings");
    EXPECT_FALSE(exists(backup));
}

TEST_F(Journal, CompleteClosesOnlyThePendingEntry)
{
    CUninstallLog log;
    log.Complete(true, L"C:\\nothing");
    EXPECT_TRUE(log.currentEntries.empty());

    log.AddRegistration();
    log.Complete(true, L"C:\\first");
    log.Complete(false, L"C:\\second");
    ASSERT_EQ(log.currentEntries.size(), 1u);
    EXPECT_TRUE(log.currentEntries[0].done);
    EXPECT_EQ(log.currentEntries[0].path, L"C:\\first");
    EXPECT_FALSE(log.pending);
}

TEST(JournalLookup, ContainsInstalledFileWantsADoneFileOfExactlyThatPath)
{
    CUninstallLog log;
    log.previousEntries = {entry(LogEntryKind::File, L"C:\\A\\done.dll", true, 0),
                           entry(LogEntryKind::File, L"C:\\A\\failed.dll", false, 0),
                           entry(LogEntryKind::Folder, L"C:\\A\\folder", true)};
    struct {
        const wchar_t* path;
        bool expected;
    } cases[] = {
        {L"C:\\A\\done.dll", true},
        {L"C:\\a\\DONE.dll", false},
        {L"C:\\A\\failed.dll", false},
        {L"C:\\A\\folder", false},
        {L"C:\\A\\other.dll", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(log.ContainsInstalledFile(c.path), c.expected) << c.path;
}

TEST_F(Journal, RollbackOfAFailedFirstInstallationLeavesOnlyForeignContent)
{
    CUninstallLog log;
    const std::wstring base = root + L"\\Tarnwick\\Korvane 6";
    const std::wstring files[] = {base + L"\\Korvane.exe", base + L"\\Data\\a.dat", base + L"\\Data\\Deep\\b.dat",
                                  base + L"\\Shared\\c.dat"};
    for (const std::wstring& f : files) {
        log.AddFile(f.c_str(), 0, false);
        write_bytes(f, "payload");
        log.Complete(true, nullptr);
    }
    log.AddFile((base + L"\\Data\\failed.dat").c_str(), 0, false); // the extraction fails here
    write_bytes(base + L"\\Shared\\user.txt", "not ours");

    log.Rollback();
    EXPECT_TRUE(log.currentEntries.empty());
    for (const std::wstring& f : files)
        EXPECT_FALSE(exists(f)) << std::string(f.begin(), f.end());
    EXPECT_FALSE(exists(base + L"\\Data"));
    EXPECT_TRUE(exists(base + L"\\Shared\\user.txt"));
    EXPECT_TRUE(is_folder(base));
    EXPECT_TRUE(is_folder(root)); // existed before: never journaled
}

TEST_F(Journal, AddShortcutMovesThePreviousLinkOfTheSameKindAway)
{
    const std::wstring menu = root + L"\\Menu";
    make_folder(menu);
    const std::wstring oldMenuLink = menu + L"\\Korvane.lnk";
    const std::wstring oldDesktopLink = root + L"\\Korvane on desktop.lnk";
    write_bytes(oldMenuLink, "old menu link");
    write_bytes(oldDesktopLink, "old desktop link");
    CUninstallLog log;
    log.previousEntries = {entry(LogEntryKind::DesktopShortcut, oldDesktopLink, true),
                           entry(LogEntryKind::MenuShortcut, oldMenuLink, true)};

    log.AddShortcut(0, (menu + L"\\New").c_str());
    ASSERT_EQ(log.currentEntries.size(), 2u);
    EXPECT_EQ(log.currentEntries[0], entry(LogEntryKind::Folder, menu + L"\\New", true));
    const UninstallLogEntry& link = log.currentEntries[1];
    EXPECT_EQ(link.kind, LogEntryKind::MenuShortcut);
    EXPECT_TRUE(link.path.empty());
    EXPECT_FALSE(link.done);
    EXPECT_FALSE(exists(oldMenuLink));
    EXPECT_EQ(read_bytes(link.backup), "old menu link");
    EXPECT_EQ(read_bytes(oldDesktopLink), "old desktop link");

    log.Complete(true, (menu + L"\\New\\Korvane.lnk").c_str());
    EXPECT_EQ(log.currentEntries[1].path, menu + L"\\New\\Korvane.lnk");
}

// --- The Uninstall key ------------------------------------------------------

class UninstallKey : public ::testing::Test {
protected:
    void TearDown() override { SHDeleteKeyW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str()); }

    static std::wstring value(const wchar_t* name)
    {
        wchar_t buffer[128] = {};
        DWORD size = sizeof(buffer), type = 0;
        if (SHGetValueW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), name, &type, buffer, &size) != ERROR_SUCCESS)
            return L"<missing>";
        return buffer;
    }
    static void set(HKEY key, const wchar_t* name, const std::wstring& text)
    {
        ASSERT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
};

TEST_F(UninstallKey, ANewKeyIsDeletedByRollback)
{
    CUninstallLog log;
    log.AddRegistryKey(nullptr);
    EXPECT_TRUE(log.currentEntries.at(0).backup.empty());
    tw::scoped_reg_key key;
    ASSERT_EQ(key.create(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), KEY_ALL_ACCESS), ERROR_SUCCESS);
    set(key.get(), L"DisplayName", L"Korvane");
    tw::scoped_reg_key sub;
    ASSERT_EQ(sub.create(key.get(), L"Child", KEY_ALL_ACCESS), ERROR_SUCCESS);
    sub.reset();
    key.reset();
    log.Complete(true, nullptr);

    log.Rollback();
    EXPECT_NE(key.open(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), KEY_READ), ERROR_SUCCESS);
}

TEST_F(UninstallKey, AnExistingKeyIsSavedAndRestored)
{
    tw::scoped_reg_key key;
    ASSERT_EQ(key.create(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), KEY_ALL_ACCESS), ERROR_SUCCESS);
    set(key.get(), L"DisplayName", L"Korvane 6.50");

    CUninstallLog log;
    log.AddRegistryKey(key.get());
    std::wstring backup = log.currentEntries.at(0).backup;
    ASSERT_FALSE(backup.empty()) << "RegSaveKeyW under SeBackupPrivilege";
    std::string hive = read_bytes(backup);
    if (running_on_wine()) {
        // Wine saves a key as its own registry text, not as a hive file.
        EXPECT_EQ(hive.compare(0, 4, "WINE"), 0);
        EXPECT_NE(hive.find("\"DisplayName\"=\"Korvane 6.50\""), std::string::npos) << hive;
    } else {
        EXPECT_EQ(hive.compare(0, 4, "regf"), 0);
    }

    set(key.get(), L"DisplayName", L"Korvane 6.52a");
    set(key.get(), L"DisplayVersion", L"6.52a");
    key.reset();
    log.Complete(true, nullptr);

    log.Rollback();
    EXPECT_FALSE(exists(backup));
    EXPECT_TRUE(key.open(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), KEY_READ) == ERROR_SUCCESS)
        << "a key with a backup is restored, never deleted";
    if (running_on_wine()) {
        // Wine 8: RegRestoreKeyW answers ERROR_SUCCESS and restores nothing,
        // so the key keeps what the installation wrote.
        EXPECT_EQ(value(L"DisplayName"), L"Korvane 6.52a");
    } else {
        EXPECT_EQ(value(L"DisplayName"), L"Korvane 6.50");
        EXPECT_EQ(value(L"DisplayVersion"), L"<missing>");
    }
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: uninstall_log_tests FIXTURE_FOLDER\n");
        return 2;
    }
    std::string dir = argv[1];
    for (char& c : dir)
        if (c == '/')
            c = '\\';
    g_fixtures = (dir.size() > 1 && dir[1] == ':') ? std::wstring(dir.begin(), dir.end())
                                                   : L"Z:" + std::wstring(dir.begin(), dir.end());
    return RUN_ALL_TESTS();
}
