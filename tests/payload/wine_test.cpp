// The extractor against Wine's real file system, shell folders, processes
// and the installer's own payload resource.
#include "payload/compress_error.h"
#include "payload/extract.h"
#include "payload/folder_templates.h"
#include "payload/resource_stream.h"
#include "payload/text_encoding.h"
#include "tests/payload/payload_fixtures.h"

#include <windows.h>

#include <boost/filesystem/operations.hpp>
#include <cwctype>
#include <gtest/gtest.h>

namespace fs = boost::filesystem;
using namespace tw;
using namespace tw::test;

namespace {

std::wstring lower(std::wstring s)
{
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

std::wstring env(const wchar_t* name)
{
    wchar_t buf[512] = {};
    GetEnvironmentVariableW(name, buf, 512);
    return buf;
}

std::string resource_bytes()
{
    imemstream in = open_resource_stream(payload_resource_type, payload_resource_name);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs `command_line` and answers its exit code.
DWORD run_process(std::wstring command_line, DWORD timeout_ms = 30000)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, timeout_ms);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

std::wstring helper_path()
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return (fs::path(self).parent_path() / L"share_holder.exe").wstring();
}

struct holder {
    HANDLE process = nullptr;
    // Starts the helper on `path` for `ms` and waits until it holds the file.
    holder(const std::wstring& path, int ms)
    {
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, L"tw_share_holder_ready");
        std::wstring cmd = L"\"" + helper_path() + L"\" \"" + path + L"\" " + std::to_wstring(ms) + L" tw_share_holder_ready";
        STARTUPINFOW si{};
    si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            CloseHandle(pi.hThread);
            process = pi.hProcess;
        }
        WaitForSingleObject(ready, 10000);
        CloseHandle(ready);
    }
    ~holder()
    {
        if (process) {
            WaitForSingleObject(process, 10000);
            CloseHandle(process);
        }
    }
};

struct outcome {
    bool ok;
    std::vector<std::string> lines;
};

// Extracts one file "data.bin" of `body` into `folder`.
outcome extract_one(const std::wstring& folder, const std::string& body)
{
    std::string compressed = bzip2(make_archive({{L"C:\\Dev\\data.bin", L"<InstallPath>", body}}));
    imemstream in(compressed.data(), compressed.size());
    recorder rec;
    bool ok = extract_archive(in, {folder, L"", L""}, rec.callback());
    return {ok, rec.lines};
}

std::string pattern(std::size_t n)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 7919) >> 3);
    return s;
}

} // namespace

TEST(WineShellFolders, ThirteenPlaceholdersResolveToWinesFolders)
{
    const std::wstring user = L"c:\\users\\" + lower(env(L"USERNAME"));
    target_folders folders{L"C:\\Apps\\Korvane 6", L"Korvane Examples", L"C:\\Temp\\tw"};
    const std::vector<std::pair<std::wstring, std::wstring>> rows = {
        {L"<InstallPath>", L"c:\\apps\\korvane 6"},
        {L"<SamplePath>", L"c:\\users\\public\\desktop\\korvane examples"},
        {L"<ProgramFiles>", L"c:\\program files"},
        {L"<ProgramCommon>", L"c:\\program files\\common files"},
        {L"<CommonData>\\Tarnwick", L"c:\\programdata\\tarnwick"},
        {L"<UserData>", user + L"\\appdata\\roaming"},
        {L"<CommonDocuments>", L"c:\\users\\public\\documents"},
        {L"<Documents>", user + L"\\documents"},
        {L"<CommonDesktop>", L"c:\\users\\public\\desktop"},
        {L"<Desktop>", user + L"\\desktop"},
        {L"<WinDir>", L"c:\\windows"},
        {L"<System>", L"c:\\windows\\system32"},
        {L"<Temporary>", L"c:\\temp\\tw"},
        {L"<commondata>\\Tarnwick", L"tarnwick"}, // other letter case: unknown
    };
    for (const auto& [t, want] : rows)
        EXPECT_EQ(lower(resolve_folder_template(folders, t)), want) << to_utf8(t);
}

TEST(WinePayloadResource, CheckAnswersAndLeavesTheStreamAtItsEnd)
{
    imemstream in = open_resource_stream(payload_resource_type, payload_resource_name);
    ASSERT_GT(in.size(), 1000000u);
    EXPECT_TRUE(check_payload_stream(in));
    EXPECT_EQ(static_cast<std::size_t>(in.tellg()), in.size());

    std::string damaged = resource_bytes();
    damaged[damaged.size() / 3] ^= 0x20;
    imemstream bad(damaged.data(), damaged.size());
    EXPECT_FALSE(check_payload_stream(bad));
    EXPECT_EQ(static_cast<std::size_t>(bad.tellg()), damaged.size());

    EXPECT_EQ(open_resource_stream(payload_resource_type, 999).size(), 0u);
}

// The demo product from the installer's own resource, into Wine's folders;
// then its main program registers itself.
TEST(WinePayloadResource, DemoProductInstallsAndRegisters)
{
    scratch_folder scratch;
    imemstream in = open_resource_stream(payload_resource_type, payload_resource_name);
    int files = 0;
    std::string error;
    bool ok = extract_archive(in, {scratch.wpath("Korvane 6"), L"Korvane Examples", L""}, [&](notification n) {
        if (n.index() == 3)
            ++files;
        if (auto e = std::get_if<notification::error>(&n))
            error = e->code.message() + " " + to_utf8(e->path);
        return notification::result::proceed;
    });
    EXPECT_TRUE(ok) << error;
    EXPECT_EQ(files, 52);
    EXPECT_TRUE(fs::exists(L"C:\\ProgramData\\Tarnwick\\Textures\\Korvane 6\\Acajou1.jpg"));
    EXPECT_TRUE(fs::exists(L"C:\\users\\Public\\Desktop\\Korvane Examples\\Sample1.rtf"));
    EXPECT_TRUE(fs::exists(scratch.path() / L"Korvane 6" / L"Lang" / L"KorvaneFR.dll"));

    std::wstring exe = (scratch.path() / L"Korvane 6" / L"Korvane.exe").wstring();
    EXPECT_EQ(static_cast<int>(run_process(L"\"" + exe + L"\" /Register /Background")), -10);
    wchar_t value[64] = {};
    LONG size = sizeof value;
    EXPECT_EQ(RegQueryValueW(HKEY_CLASSES_ROOT, L".kvn", value, &size), ERROR_SUCCESS);
    EXPECT_STREQ(value, L"Korvane.Document.6");
}

// Wine runs these as an unprivileged user (TW_WINE_USER): as root it would
// write through the read-only attribute and the test would prove nothing.
TEST(WineFiles, ReadOnlyFileIsOverwrittenAndMissingFoldersCreated)
{
    scratch_folder scratch;
    std::wstring folder = scratch.wpath("a\\b\\c");
    fs::create_directories(folder);
    std::wstring file = folder + L"\\data.bin";
    write_file(file, "old");
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE probe = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(probe, INVALID_HANDLE_VALUE) << "the read-only attribute must refuse writes here";
    if (probe != INVALID_HANDLE_VALUE)
        CloseHandle(probe);
    outcome got = extract_one(folder, pattern(10000));
    EXPECT_TRUE(got.ok) << got.lines.back();
    EXPECT_EQ(read_file(file), pattern(10000));

    std::wstring fresh = scratch.wpath("x\\y\\z");
    EXPECT_TRUE(extract_one(fresh, "new").ok);
    EXPECT_EQ(read_file(fresh + L"\\data.bin"), "new");
}

TEST(WineFiles, SharingViolationIsRetried)
{
    scratch_folder scratch;
    std::wstring file = scratch.wpath() + L"\\data.bin";
    {
        holder held(file, 1500);
        outcome got = extract_one(scratch.wpath(), pattern(5000));
        EXPECT_TRUE(got.ok) << got.lines.back();
    }
    EXPECT_EQ(read_file(file), pattern(5000));
    {
        holder held(file, 5000);
        outcome got = extract_one(scratch.wpath(), pattern(6000));
        EXPECT_FALSE(got.ok);
        EXPECT_EQ(got.lines.back(), "error system 32 " + to_utf8(file));
    }
}

// Drive E: is a tiny file system (TW_WINE_DRIVE_E, mounted by the test's
// fixture): writes fail with ERROR_DISK_FULL, and a write that straddles the
// limit may first report success with a short count.
TEST(WineFiles, FullDiskFailsWithTheSystemCode)
{
    ASSERT_NE(GetDriveTypeW(L"E:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR)) << "drive E: is not mapped";
    std::wstring folder = L"E:\\full";
    outcome got = extract_one(folder, pattern(3 * 1024 * 1024));
    EXPECT_FALSE(got.ok);
    EXPECT_EQ(got.lines.back(), "error system 112 " + to_utf8(folder + L"\\data.bin"));
    EXPECT_EQ(std::count_if(got.lines.begin(), got.lines.end(), [](const std::string& l) { return l.rfind("end ", 0) == 0; }), 0);
    boost::system::error_code ec;
    fs::remove_all(folder, ec);
}
