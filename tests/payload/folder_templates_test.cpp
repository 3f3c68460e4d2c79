// Destination templates against a table of shell folders (the seam the
// native build and these tests use instead of the shell).
#include "payload/compress_error.h"
#include "payload/folder_templates.h"
#include "tests/payload/payload_fixtures.h"

#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

const std::map<int, std::wstring> all_folders = {
    {folder_program_files, L"C:\\Program Files"},
    {folder_program_files_common, L"C:\\Program Files\\Common Files"},
    {folder_common_appdata, L"C:\\ProgramData"},
    {folder_appdata, L"C:\\Users\\u\\AppData\\Roaming"},
    {folder_common_documents, L"C:\\Users\\Public\\Documents"},
    {folder_personal, L"C:\\Users\\u\\Documents"},
    {folder_common_desktop_directory, L"C:\\Users\\Public\\Desktop"},
    {folder_desktop_directory, L"C:\\Users\\u\\Desktop"},
    {folder_windows, L"C:\\Windows"},
    {folder_system, L"C:\\Windows\\system32"},
};

std::map<int, std::wstring> without(const std::vector<int>& missing)
{
    std::map<int, std::wstring> m = all_folders;
    for (int csidl : missing)
        m.erase(csidl);
    return m;
}

struct row {
    const char* folder_template;
    const wchar_t* expected;
};

} // namespace

TEST(FolderTemplates, ThirteenPlaceholdersAndTheirElements)
{
    shell_folder_table shell(all_folders);
    target_folders folders{L"D:\\Apps\\Korvane 6", L"Korvane Examples", L"C:\\Temp\\tarnwick_{x}"};
    const std::vector<std::pair<std::wstring, std::wstring>> rows = {
        {L"<InstallPath>", L"D:\\Apps\\Korvane 6"},
        {L"<InstallPath>\\Lang", L"D:\\Apps\\Korvane 6\\Lang"},
        {L"<SamplePath>", L"C:\\Users\\Public\\Desktop\\Korvane Examples"},
        {L"<ProgramFiles>\\Tarnwick", L"C:\\Program Files\\Tarnwick"},
        {L"<ProgramCommon>", L"C:\\Program Files\\Common Files"},
        {L"<CommonData>\\Tarnwick\\Textures\\Korvane 6", L"C:\\ProgramData\\Tarnwick\\Textures\\Korvane 6"},
        {L"<UserData>", L"C:\\Users\\u\\AppData\\Roaming"},
        {L"<CommonDocuments>", L"C:\\Users\\Public\\Documents"},
        {L"<Documents>\\x", L"C:\\Users\\u\\Documents\\x"},
        {L"<CommonDesktop>", L"C:\\Users\\Public\\Desktop"},
        {L"<Desktop>", L"C:\\Users\\u\\Desktop"},
        {L"<WinDir>\\Fonts", L"C:\\Windows\\Fonts"},
        {L"<System>", L"C:\\Windows\\system32"},
        {L"<Temporary>", L"C:\\Temp\\tarnwick_{x}"},
        // A trailing separator names the same folder, through a final ".".
        {L"<CommonData>\\Tarnwick\\Curves\\", L"C:\\ProgramData\\Tarnwick\\Curves\\."},
        // Separators: both kinds, runs count as one.
        {L"<InstallPath>//Lang\\\\x", L"D:\\Apps\\Korvane 6\\Lang\\x"},
        // Other letter case, or no placeholder at all: an empty base.
        {L"<installpath>\\Lang", L"Lang"},
        {L"<INSTALLPATH>", L""},
        {L"<Nothing>\\a\\b", L"a\\b"},
        // Not a placeholder template: unchanged.
        {L"C:\\Fixed\\<InstallPath>", L"C:\\Fixed\\<InstallPath>"},
        {L"relative\\dir", L"relative\\dir"},
        {L"\\rooted", L"\\rooted"},
        {L"", L""},
    };
    for (const auto& [t, want] : rows)
        EXPECT_EQ(resolve_folder_template(folders, t), want) << std::string(t.begin(), t.end());
}

TEST(FolderTemplates, BaseFoldersEndingInSeparatorOrColon)
{
    shell_folder_table shell(all_folders);
    EXPECT_EQ(resolve_folder_template({L"E:\\", L"", L""}, L"<InstallPath>\\Lang"), L"E:\\Lang");
    EXPECT_EQ(resolve_folder_template({L"E:", L"", L""}, L"<InstallPath>\\Lang"), L"E:Lang");
    EXPECT_EQ(resolve_folder_template({L"E:\\", L"", L""}, L"<InstallPath>"), L"E:\\");
    EXPECT_EQ(resolve_folder_template({L"", L"", L""}, L"<InstallPath>\\Lang"), L"Lang");
    EXPECT_EQ(resolve_folder_template({L"", L"", L""}, L"<Temporary>\\t"), L"t");
    EXPECT_EQ(resolve_folder_template({L"I", L"", L""}, L"<Temporary>"), L"I");
    EXPECT_EQ(join_path(L"a", L"\\b"), L"a\\b");
    EXPECT_EQ(join_path(L"a/", L"b"), L"a/b");
}

TEST(FolderTemplates, SamplePathRules)
{
    shell_folder_table shell(all_folders);
    const std::vector<std::pair<std::wstring, std::wstring>> rows = {
        {L"", L"C:\\Users\\Public\\Desktop"},
        {L"D:\\Samples", L"D:\\Samples"},
        {L"\\\\server\\share\\s", L"\\\\server\\share\\s"},
        {L"Korvane Examples", L"C:\\Users\\Public\\Desktop\\Korvane Examples"},
        {L"\\NoDrive", L"C:\\Users\\Public\\Desktop\\NoDrive"}, // rooted, no drive: relative
        {L"D:NoRoot", L"C:\\Users\\Public\\Desktop\\D:NoRoot"}, // drive, no root: relative
    };
    for (const auto& [sample, want] : rows)
        EXPECT_EQ(resolve_folder_template({L"I", sample, L""}, L"<SamplePath>"), want);

    shell_folder_table no_common(without({folder_common_desktop_directory}));
    EXPECT_EQ(resolve_folder_template({L"I", L"S", L""}, L"<SamplePath>"), L"C:\\Users\\u\\Desktop\\S");
}

TEST(FolderTemplates, FallbacksAndFailures)
{
    {
        shell_folder_table shell(without({folder_common_appdata}));
        EXPECT_EQ(resolve_folder_template({}, L"<CommonData>\\T"), L"C:\\Users\\u\\AppData\\Roaming\\T");
    }
    {
        shell_folder_table shell(without({folder_common_documents}));
        EXPECT_EQ(resolve_folder_template({}, L"<CommonDocuments>"), L"C:\\Users\\u\\Documents");
    }
    struct failing {
        std::vector<int> missing;
        const wchar_t* folder_template;
    };
    for (const failing& f : std::vector<failing>{{{folder_common_appdata, folder_appdata}, L"<CommonData>\\T"},
                                                 {{folder_program_files}, L"<ProgramFiles>"},
                                                 {{folder_common_desktop_directory, folder_desktop_directory}, L"<SamplePath>"},
                                                 {{folder_system}, L"<System>"}}) {
        shell_folder_table shell(without(f.missing));
        try {
            resolve_folder_template({L"I", L"", L""}, f.folder_template);
            ADD_FAILURE() << "no error for a missing folder";
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code(), make_error_code(compress_errc::unexpected_error));
        }
    }
    // A missing folder that the template does not need raises nothing.
    shell_folder_table shell({});
    EXPECT_EQ(resolve_folder_template({L"I", L"", L""}, L"<InstallPath>"), L"I");
}
