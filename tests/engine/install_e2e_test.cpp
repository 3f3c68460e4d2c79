// The real installer under Wine, driven through its windows as a person
// would: a fresh installation in English and German, an update over 6.50, a
// reinstallation, the advanced mode, failures that roll back, and the
// start-up guards. What it leaves is read back from the prefix's real file
// system, registry and link files.
#include "app/product.h"
#include "app/language.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"
#include "tests/common/fixture_installation.h"
#include "tests/driver/gui_driver.h"
#include "tests/engine/installation_6_50.h"
#include "tests/engine/installation_check.h"
#include "winhelpers/error_text.h"
#include "winhelpers/scoped_handle.h"

#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstdlib>
#include <memory>
#include <sstream>

namespace {

using gui::installer;
using gui::lines_of;
using namespace installation;
using namespace std::chrono_literals;


std::wstring temp_folder()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    PathRemoveBackslashW(temp);
    return temp;
}

// Names in the temporary folder that an installation must not leave.
std::vector<std::wstring> leftovers_in_temp()
{
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((temp_folder() + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return found;
    do {
        std::wstring name = data.cFileName;
        if (name.rfind(L"tarnwick_{", 0) == 0 || (name.rfind(L"tw", 0) == 0 && name.size() > 4 &&
                                                  name.compare(name.size() - 4, 4, L".tmp") == 0))
            found.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return found;
}

// The log line the install sequence shows for a file.
std::wstring copying_line(const std::wstring& path)
{
    std::wstring shown = path.find(L' ') != std::wstring::npos ? L"\"" + path + L"\"" : path;
    return L"Copying File  " + shown + L"...OK";
}

void break_last_checksum(std::string& payloadBytes);

BOOL CALLBACK first_language(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found)
{
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

class Install : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(gui::installer_path().empty()) << "TW_INSTALLER not set";
        payload = demo_payload();
        ASSERT_EQ(payload.size(), 52u) << "TW_PAYLOAD_LISTING not read";
    }

    void start(const std::wstring& exe = gui::installer_path())
    {
        app = std::make_unique<installer>(exe);
        ASSERT_TRUE(app->started()) << "the wizard did not open";
    }
    void next(int expected) const
    {
        ASSERT_TRUE(app->click(IDOK)) << "Next not clickable on page " << app->page_index();
        ASSERT_TRUE(app->wait_for_page(expected)) << "now on page " << app->page_index();
    }
    void choose_language(int language) const
    {
        ASSERT_TRUE(app->select_language(language)) << "language " << language << " not in the list";
    }
    // From the start page to the install page in the quick mode.
    void to_install_page() const
    {
        ASSERT_NO_FATAL_FAILURE(next(1));
        ASSERT_NO_FATAL_FAILURE(next(4));
    }
    // The log box lines after the full-width rule that the run writes first.
    std::vector<std::wstring> run_lines() const
    {
        std::vector<std::wstring> lines = lines_of(app->text(IDC_LOG));
        for (size_t i = lines.size(); i-- > 0;)
            if (!lines[i].empty() && lines[i].find_first_not_of(L'-') == std::wstring::npos)
                return std::vector<std::wstring>(lines.begin() + static_cast<long>(i) + 1, lines.end());
        return {};
    }
    int progress_position() const
    {
        return static_cast<int>(SendMessageW(app->control(IDC_PROGRESS), PBM_GETPOS, 0, 0));
    }
    std::wstring destination(const payload_file& f, const std::wstring& install = kInstallFolder,
                             const std::wstring& samples = L"Korvane Examples") const
    {
        return destination_folder(f.folder_template, install, samples) + L"\\" + f.name;
    }

    // Runs a copy of the installer whose payload resource `change` altered.
    std::wstring damaged_installer(const std::function<void(std::string&)>& change)
    {
        const std::wstring original = gui::installer_path();
        const std::wstring copy = L"C:\\tw-damaged\\InstallKorvane6.52a.exe";
        EXPECT_TRUE(make_folder(L"C:\\tw-damaged"));
        std::string payloadBytes;
        WORD language = 0;
        {
            HMODULE module = LoadLibraryExW(original.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
            EXPECT_NE(module, nullptr);
            EnumResourceLanguagesW(module, MAKEINTRESOURCEW(RT_TW_PAYLOAD), MAKEINTRESOURCEW(IDR_PAYLOAD), first_language,
                                   reinterpret_cast<LONG_PTR>(&language));
            HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(IDR_PAYLOAD), MAKEINTRESOURCEW(RT_TW_PAYLOAD));
            HGLOBAL loaded = LoadResource(module, resource);
            const char* bytes = static_cast<const char*>(LockResource(loaded));
            payloadBytes.assign(bytes, SizeofResource(module, resource));
            FreeLibrary(module);
        }
        EXPECT_GT(payloadBytes.size(), 1000u);
        change(payloadBytes);
        EXPECT_TRUE(CopyFileW(original.c_str(), copy.c_str(), FALSE));
        HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
        EXPECT_NE(update, nullptr) << GetLastError();
        EXPECT_TRUE(UpdateResourceW(update, MAKEINTRESOURCEW(RT_TW_PAYLOAD), MAKEINTRESOURCEW(IDR_PAYLOAD), language,
                                    payloadBytes.data(), static_cast<DWORD>(payloadBytes.size())));
        EXPECT_TRUE(EndUpdateResourceW(update, FALSE)) << GetLastError();
        return copy;
    }

    // A failed run: the code in the status line, "Failed" in the log box,
    // the machine as before, and Install can be pressed again.
    void expect_failure_rolled_back(const snapshot& before, const std::wstring& code, const std::wstring& lastLine)
    {
        EXPECT_EQ(app->text(IDC_STATUS), L"Installation failed (Error Code " + code + L").");
        std::vector<std::wstring> lines = run_lines();
        ASSERT_FALSE(lines.empty());
        while (!lines.empty() && lines.back().empty())
            lines.pop_back();
        EXPECT_EQ(lines.back(), lastLine);
        snapshot after = take_snapshot();
        EXPECT_TRUE(before == after) << describe_difference(before, after);
        EXPECT_TRUE(app->enabled(IDOK));
        EXPECT_TRUE(app->enabled(IDC_BACK));
        EXPECT_EQ(app->text(IDOK), L"Install");
        EXPECT_EQ(app->text(IDCANCEL), L"Cancel");
    }

    void check_fresh_installation(int language, const std::wstring& uninstallName, const std::wstring& samples);
    void install_with_broken_last_checksum(int runs);


    std::vector<payload_file> payload;
    std::unique_ptr<installer> app;
};

void Install::check_fresh_installation(int language, const std::wstring& uninstallName, const std::wstring& samples)
{
    const std::wstring install = kInstallFolder;
    // Every payload file, byte for byte, and the log box's line for it.
    std::vector<std::wstring> expectedLines = {L"Preparing Installation...OK"};
    for (const payload_file& f : payload) {
        std::wstring path = destination(f, install, samples);
        std::string bytes = read_bytes(path);
        EXPECT_EQ(bytes.size(), f.size) << testing::PrintToString(path);
        EXPECT_TRUE(bytes == read_bytes(f.host_source)) << testing::PrintToString(path);
        expectedLines.push_back(copying_line(path));
    }
    for (const wchar_t* name : {L"\\Korvane.exe", L"\\Uninstall.exe"})
        EXPECT_TRUE(GetFileAttributesW((install + name).c_str()) & FILE_ATTRIBUTE_READONLY) << "not read-only: " << name;
    if (language == tw::language_english) {
        expectedLines.insert(expectedLines.end(),
                             {L"Shortcuts Creation...OK", L"Registry Data Writing...OK", L"Installation Data Writing...OK"});
        std::vector<std::wstring> lines = run_lines();
        while (!lines.empty() && lines.back().empty())
            lines.pop_back();
        EXPECT_EQ(lines.size(), expectedLines.size());
        for (size_t i = 0; i < lines.size() && i < expectedLines.size(); ++i)
            EXPECT_EQ(lines[i], expectedLines[i]) << "line " << i;
    }
    EXPECT_EQ(progress_position(), 100);

    // The Uninstall key: twelve values, in order.
    key_values expectedKey = {
        {L"DisplayName", L"sz:Korvane 6.52a"},
        {L"UninstallString", L"sz:" + install + L"\\Uninstall.exe"},
        {L"DisplayIcon", L"sz:" + install + L"\\Korvane.exe,0"},
        {L"DisplayVersion", L"sz:6.52.1.1"},
        {L"Publisher", L"sz:Tarnwick"},
        {L"URLInfoAbout", L"sz:https://www.tarnwick.example/"},
        {L"HelpLink", L"sz:https://www.tarnwick.example/"},
        {L"URLUpdateInfo", L"sz:https://www.tarnwick.example/"},
        {L"HelpTelephone", L"sz:+44 20 7946 0852"},
        {L"NoModify", L"dword:1"},
        {L"NoRepair", L"dword:1"},
        {L"TwLanguage", L"dword:" + std::to_wstring(language)},
    };
    key_values written = machine_values(kUninstallKey);
    if (gui::on_wine()) {
        // Wine difference: its registry hands values out sorted by name,
        // Windows in the order they were written. The order is checked on
        // Windows only.
        std::sort(written.begin(), written.end());
        std::sort(expectedKey.begin(), expectedKey.end());
    }
    EXPECT_EQ(written, expectedKey);

    // The three links, read back.
    const std::wstring menuLink = std::wstring(kMenuFolder) + L"\\Korvane 6.52a.lnk";
    const std::wstring uninstallLink = std::wstring(kMenuFolder) + L"\\" + uninstallName + L".lnk";
    const std::wstring desktopLink = std::wstring(kCommonDesktop) + L"\\Korvane 6.52a.lnk";
    EXPECT_EQ(link_target(menuLink), install + L"\\Korvane.exe");
    EXPECT_EQ(link_target(uninstallLink), install + L"\\Uninstall.exe");
    EXPECT_EQ(link_target(desktopLink), install + L"\\Korvane.exe");
    EXPECT_EQ(link_working_folder(menuLink), install);

    // The product registered itself.
    EXPECT_EQ(machine_values(L".kvn", HKEY_CLASSES_ROOT), (key_values{{L"", L"sz:Korvane.Document.6"}}));
    EXPECT_EQ(machine_values(kCompanyKey), (key_values{{L"Korvane 6 Path", L"sz:" + install + L"\\Korvane.exe"}}));

    // The uninstall log, in journal order: the folders this run created
    // (outermost first, before their first file), the files, the links, the
    // key and the registration.
    std::vector<std::wstring> existing = {L"C:\\ProgramData", L"C:\\Program Files", L"C:\\users",
                                          L"C:\\users\\Public", kCommonDesktop,
                                          L"C:\\ProgramData\\Microsoft", L"C:\\ProgramData\\Microsoft\\Windows",
                                          L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu",
                                          L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"};
    std::vector<std::wstring> log = log_header(install, L"");
    size_t number = 0;
    auto add_folders = [&](const std::wstring& folder) {
        for (size_t cut = folder.find(L'\\', 3);; cut = folder.find(L'\\', cut + 1)) {
            std::wstring prefix = folder.substr(0, cut);
            if (prefix.size() > 2 && prefix.compare(prefix.size() - 2, 2, L"\\.") == 0)
                break;
            if (std::find(existing.begin(), existing.end(), prefix) == existing.end()) {
                existing.push_back(prefix);
                log.push_back(entry_line(number++, 0xff, true, prefix));
            }
            if (cut == std::wstring::npos)
                break;
        }
    };
    for (const payload_file& f : payload) {
        add_folders(destination_folder(f.folder_template, install, samples));
        log.push_back(entry_line(number++, 0x100 | f.kind, true, destination(f, install, samples)));
    }
    add_folders(kMenuFolder);
    log.push_back(entry_line(number++, 0x2ff, true, menuLink));
    log.push_back(entry_line(number++, 0x3ff, true, uninstallLink));
    log.push_back(entry_line(number++, 0x4ff, true, desktopLink));
    log.push_back(entry_line(number++, 0x5ff, true, L"HKEY_LOCAL_MACHINE\\" + std::wstring(kUninstallKey)));
    log.push_back(entry_line(number++, 0x6ff, true, L"HKEY_CLASSES_ROOT\\..."));
    std::string writtenLog = read_bytes(install + L"\\Uninstall.ulog");
    std::wstring writtenText = log_as_text(writtenLog), expectedText = log_as_text(log_bytes(log));
    EXPECT_EQ(writtenText.size(), expectedText.size());
    EXPECT_TRUE(writtenLog == log_bytes(log)) << testing::PrintToString(writtenText.substr(
        std::mismatch(writtenText.begin(), writtenText.end(), expectedText.begin(), expectedText.end()).first - writtenText.begin()));

    EXPECT_EQ(leftovers_in_temp(), std::vector<std::wstring>{});
}

// A fresh quick installation, then page 5 and Exit.
TEST_F(Install, FreshQuickInstallationInEnglish)
{
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(to_install_page());
    ASSERT_TRUE(press_install(*app)) << testing::PrintToString(app->text(IDC_STATUS));
    EXPECT_EQ(app->text(IDC_STATUS), L"Click on 'Next' to continue.");
    EXPECT_EQ(app->text(IDOK), L"Next  >");
    EXPECT_EQ(app->text(IDCANCEL), L"Exit");
    ASSERT_NO_FATAL_FAILURE(check_fresh_installation(tw::language_english, L"Uninstall Korvane", L"Korvane Examples"));
    ASSERT_NO_FATAL_FAILURE(next(5));
    EXPECT_EQ(app->text(IDC_INFO), L"Installation is complete.");
    EXPECT_EQ(app->text(IDC_STATUS), L"Click on 'Exit' to exit Installation.");
    EXPECT_TRUE(app->enabled(IDC_BACK));
    ASSERT_TRUE(app->click(IDCANCEL));
    EXPECT_TRUE(app->wait_for_exit(10s)) << "Exit asked a question after the installation";

    // The next run finds this installation: the product's own version
    // resource and the path it registered.
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(app->text(IDC_INFO), L"'Korvane 6.52a' is already installed.\r\nDo you confirm Reinstallation ?");
}

TEST_F(Install, FreshQuickInstallationInGerman)
{
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(choose_language(tw::language_german));
    ASSERT_NO_FATAL_FAILURE(to_install_page());
    ASSERT_TRUE(press_install(*app)) << app->text(IDC_STATUS);
    ASSERT_NO_FATAL_FAILURE(check_fresh_installation(tw::language_german, L"Korvane deinstallieren", L"Korvane Beispiele"));
    ASSERT_NO_FATAL_FAILURE(next(5));
    EXPECT_EQ(app->text(IDC_INFO), L"Die Installation ist abgeschlossen.");
}

// Over 6.50: the user's data and the textures stay, the old links go, the
// new log merges the old one.
TEST_F(Install, UpdateFrom650)
{
    ASSERT_NO_FATAL_FAILURE(lay_out_6_50());
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(to_install_page());
    ASSERT_TRUE(press_install(*app)) << app->text(IDC_STATUS);

    EXPECT_EQ(read_bytes(kCurves), "the user's own curves");
    EXPECT_EQ(read_bytes(kOldTexture), "6.50 texture");
    std::vector<std::wstring> lines = run_lines();
    for (const payload_file& f : payload) {
        std::wstring path = destination(f);
        bool copied = f.kind != 4 && path != kCurves;
        EXPECT_EQ(std::count(lines.begin(), lines.end(), copying_line(path)), copied ? 1 : 0)
            << testing::PrintToString(path);
        if (f.kind == 4 && path != kOldTexture) {
            EXPECT_FALSE(exists(path)) << "content copied on an update: " << testing::PrintToString(path);
        }
        if (copied) {
            EXPECT_TRUE(read_bytes(path) == read_bytes(f.host_source)) << testing::PrintToString(path);
        }
    }
    EXPECT_FALSE(exists(kOldMenuLink));
    EXPECT_FALSE(exists(kOldDesktopLink));
    EXPECT_FALSE(link_target(std::wstring(kMenuFolder) + L"\\Korvane 6.52a.lnk").empty());
    key_values key = machine_values(kUninstallKey);
    EXPECT_EQ(key.size(), 13u) << "the 6.50 key's own value stays";
    EXPECT_EQ(std::count(key.begin(), key.end(), std::make_pair(std::wstring(L"Comments"), std::wstring(L"sz:left by 6.50"))), 1);

    std::wstring log = log_as_text(read_bytes(std::wstring(kInstallFolder) + L"\\Uninstall.ulog"));
    EXPECT_NE(log.find(L"// Install Korvane 6.52a -- Update (Korvane 6.50)\r\n"), std::wstring::npos);
    EXPECT_NE(log.find(L":0104:1 -- " + std::wstring(kOldTexture) + L"\r\n"), std::wstring::npos) << "old entry merged";
    EXPECT_NE(log.find(L":0103:1 -- " + std::wstring(kCurves) + L"\r\n"), std::wstring::npos);
    EXPECT_EQ(log.find(L"Korvane 6.50.lnk"), std::wstring::npos) << "the replaced links are not listed";
    EXPECT_EQ(leftovers_in_temp(), std::vector<std::wstring>{});
}

// The same version again: content is copied again, over the old files.
TEST_F(Install, ReinstallationCopiesContentAgain)
{
    ASSERT_NO_FATAL_FAILURE(lay_out_6_50());
    ASSERT_TRUE(SetFileAttributesW((std::wstring(kInstallFolder) + L"\\Korvane.exe").c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(CopyFileW((env_windows_path("TW_FIXTURE_DIR") + L"\\v6_52_1_1.exe").c_str(),
                          (std::wstring(kInstallFolder) + L"\\Korvane.exe").c_str(), FALSE));
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(to_install_page());
    ASSERT_TRUE(press_install(*app)) << app->text(IDC_STATUS);
    std::vector<std::wstring> lines = run_lines();
    for (const payload_file& f : payload) {
        if (f.kind != 4)
            continue;
        std::wstring path = destination(f);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), copying_line(path)), 1) << testing::PrintToString(path);
        EXPECT_TRUE(read_bytes(path) == read_bytes(f.host_source)) << testing::PrintToString(path);
    }
    EXPECT_EQ(read_bytes(kCurves), "the user's own curves");
    EXPECT_FALSE(exists(kOldMenuLink));
    std::wstring log = log_as_text(read_bytes(std::wstring(kInstallFolder) + L"\\Uninstall.ulog"));
    EXPECT_NE(log.find(L":02ff:1 -- " + std::wstring(kMenuFolder) + L"\\Korvane 6.52a.lnk\r\n"), std::wstring::npos);
    EXPECT_EQ(log.find(L"Korvane 6.50.lnk"), std::wstring::npos);
}

TEST_F(Install, AdvancedModeElsewhereWithoutShortcuts)
{
    const std::wstring elsewhere = L"C:\\Other Place\\Korvane";
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(next(1));
    ASSERT_TRUE(app->set_checked(IDC_MODE_ADVANCED, true));
    ASSERT_NO_FATAL_FAILURE(next(2));
    ASSERT_TRUE(app->set_text(IDC_FOLDER, elsewhere));
    ASSERT_NO_FATAL_FAILURE(next(3));
    ASSERT_TRUE(app->set_checked(IDC_MENU_SHORTCUT, false));
    ASSERT_TRUE(app->set_checked(IDC_DESKTOP_SHORTCUT, false));
    ASSERT_NO_FATAL_FAILURE(next(4));
    ASSERT_TRUE(press_install(*app)) << app->text(IDC_STATUS);
    for (const payload_file& f : payload)
        EXPECT_TRUE(read_bytes(destination(f, elsewhere)) == read_bytes(f.host_source))
            << testing::PrintToString(destination(f, elsewhere));
    EXPECT_FALSE(exists(kInstallFolder));
    EXPECT_FALSE(exists(kMenuFolder));
    EXPECT_FALSE(exists(std::wstring(kCommonDesktop) + L"\\Korvane 6.52a.lnk"));
    std::vector<std::wstring> lines = run_lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), L"Shortcuts Creation...OK"), 0);
    key_values key = machine_values(kUninstallKey);
    EXPECT_EQ(std::count(key.begin(), key.end(),
                         std::make_pair(std::wstring(L"UninstallString"), L"sz:" + elsewhere + L"\\Uninstall.exe")),
              1);
}

// --- Failures roll back ---

// Flips one byte in the middle of the compressed stream.
void damage_compressed_byte(std::string& payloadBytes)
{
    payloadBytes[payloadBytes.size() / 2] ^= 0x55;
}

// Changes the checksum the header records for the last file.
void break_last_checksum(std::string& payloadBytes)
{
    std::string archive;
    {
        boost::iostreams::filtering_istream in;
        in.push(boost::iostreams::bzip2_decompressor());
        in.push(boost::iostreams::array_source(payloadBytes.data(), payloadBytes.size()));
        std::ostringstream out;
        boost::iostreams::copy(in, out);
        archive = out.str();
    }
    // The header starts with its own size; the last record ends with its CRC.
    uint64_t headerSize = 0;
    memcpy(&headerSize, archive.data(), sizeof(headerSize));
    archive[headerSize - 1] ^= 0x01;
    std::ostringstream packed;
    {
        boost::iostreams::filtering_ostream out;
        out.push(boost::iostreams::bzip2_compressor());
        out.push(packed);
        out.write(archive.data(), static_cast<std::streamsize>(archive.size()));
    }
    payloadBytes = packed.str();
}

TEST_F(Install, DamagedCompressedByteFailsThePreCheck)
{
    std::wstring exe = damaged_installer(damage_compressed_byte);
    snapshot before = take_snapshot();
    ASSERT_NO_FATAL_FAILURE(start(exe));
    ASSERT_NO_FATAL_FAILURE(to_install_page());
    EXPECT_FALSE(press_install(*app));
    ASSERT_NO_FATAL_FAILURE(expect_failure_rolled_back(before, L"4", L"Preparing Installation...Failed"));
}

// The last file, the main program, fails its check after everything else
// was written; `runs` presses of Install each roll back to the same machine.
void Install::install_with_broken_last_checksum(int runs)
{
    std::wstring exe = damaged_installer(break_last_checksum);
    snapshot before = take_snapshot();
    ASSERT_NO_FATAL_FAILURE(start(exe));
    ASSERT_NO_FATAL_FAILURE(to_install_page());
    std::wstring last = copying_line(std::wstring(kInstallFolder) + L"\\Korvane.exe");
    last.replace(last.size() - 2, 2, L"Failed");
    for (int run = 0; run < runs; ++run) {
        EXPECT_FALSE(press_install(*app));
        ASSERT_NO_FATAL_FAILURE(expect_failure_rolled_back(before, L"3", last));
    }
}

TEST_F(Install, ChecksumMismatchInTheLastFileRollsBackAFreshInstallation)
{
    ASSERT_NO_FATAL_FAILURE(install_with_broken_last_checksum(2));
}

TEST_F(Install, ChecksumMismatchOverAnUpdateBringsThe650FilesBack)
{
    ASSERT_NO_FATAL_FAILURE(lay_out_6_50());
    ASSERT_NO_FATAL_FAILURE(install_with_broken_last_checksum(1));
}

// The temporary folder on a tiny full drive: no backup can be made, so the
// 6.50 files must not be overwritten, and the update fails whole.
TEST_F(Install, UpdateWithoutRoomForBackupsLeavesThe650InstallationWhole)
{
    ASSERT_NO_FATAL_FAILURE(lay_out_6_50());
    // Fill drive E: (a tiny file system the harness maps) to the last byte.
    ASSERT_TRUE(make_folder(L"E:\\Temp"));
    {
        tw::scoped_handle filler(CreateFileW(L"E:\\filler", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(filler.valid());
        std::string block(65536, 'x');
        DWORD written = 0;
        for (int i = 0; i < 4096 && WriteFile(filler.get(), block.data(), 65536, &written, nullptr) && written; ++i) {
        }
        for (DWORD n = 4096; n > 0; n /= 2)
            while (WriteFile(filler.get(), block.data(), n, &written, nullptr) && written == n) {
            }
    }
    SetEnvironmentVariableW(L"TMP", L"E:\\Temp");
    SetEnvironmentVariableW(L"TEMP", L"E:\\Temp");
    snapshot before = take_snapshot();
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(to_install_page());
    EXPECT_FALSE(press_install(*app));
    EXPECT_EQ(app->text(IDC_STATUS).rfind(L"Installation failed (Error Code 1:", 0), 0u) << testing::PrintToString(app->text(IDC_STATUS));
    snapshot after = take_snapshot();
    EXPECT_TRUE(before == after) << describe_difference(before, after);
    EXPECT_EQ(read_bytes(std::wstring(kInstallFolder) + L"\\Uninstall.exe"), "6.50 uninstaller");
}

} // namespace

namespace {

// --- The start-up guards, on the real installer ---

// The semaphore's count as another process sees it.
LONG running_members()
{
    tw::scoped_handle semaphore(
        OpenSemaphoreW(SEMAPHORE_ALL_ACCESS, FALSE, (L"Global\\" + RunningInstancesSemaphoreName()).c_str()));
    LONG previous = -1;
    if (semaphore.valid() && ReleaseSemaphore(semaphore.get(), 1, &previous))
        WaitForSingleObject(semaphore.get(), 0);
    return semaphore.valid() ? previous : 0;
}

HWND wizard_frame(const installer& app)
{
    for (HWND wnd : app.top_windows(L"#32770"))
        if (GetDlgItem(wnd, IDOK) && GetDlgItem(wnd, IDC_BACK) && GetDlgItem(wnd, IDCANCEL))
            return wnd;
    return nullptr;
}

TEST(Guards, ASecondInstallerEndsWithBusy)
{
    installer first;
    ASSERT_TRUE(first.started());
    installer second(gui::installer_path(), installer::until::started);
    std::optional<gui::message_box> box = second.wait_for_box();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), tw::error_text(ERROR_BUSY, 0));
    EXPECT_TRUE(box->press(IDOK));
    EXPECT_TRUE(second.wait_for_exit());
    EXPECT_EQ(wizard_frame(second), nullptr);
    EXPECT_TRUE(first.running());
    EXPECT_EQ(running_members(), 1) << "the second installer counted itself out";
}

TEST(Guards, TheRunningProductIsClosedFirst)
{
    std::wstring bin = env_windows_path("TW_DEMO_BIN");
    ASSERT_FALSE(bin.empty()) << "TW_DEMO_BIN not set";
    running_product product;
    start_product(bin + L"\\Korvane.exe", product);
    ASSERT_NE(product.window, nullptr);
    EXPECT_EQ(running_members(), 1);

    installer app(gui::installer_path(), installer::until::started);
    std::optional<gui::message_box> box = app.wait_for_box();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), L"You should close 'Korvane' before continuing Installation.");
    EXPECT_TRUE(box->has_button(IDRETRY));
    EXPECT_TRUE(box->has_button(IDCANCEL));
    EXPECT_EQ(running_members(), 2) << "the product and the installer; the probe left the count alone";

    // The user closes the product, then Retry: the wizard opens.
    ASSERT_TRUE(product.close());
    EXPECT_TRUE(box->press(IDRETRY));
    EXPECT_TRUE(gui::wait_until([&] { return wizard_frame(app) != nullptr; }));
    EXPECT_EQ(running_members(), 1);
}

} // namespace
