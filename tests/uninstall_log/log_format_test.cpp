// The text form of the uninstall log, natively: line rules of the reader and
// the lines of the writer.
#include "uninstall_log/log_format.h"

#include "tests/uninstall_log/latin1.h"

#include <gtest/gtest.h>

namespace {

bool any_folder(const std::wstring&)
{
    return true;
}

const std::string kHeader = "// Uninstall Log File v1\r\n//\r\n// Install Korvane 6.52a\r\n"
                            "// Install Path : C:\\I\r\n// Shortcut Path : C:\\S\r\n// ---\r\n";

struct LineCase {
    const char* name;
    std::string body;   // after the header, 8-bit text
    size_t entries;     // entries read
    std::wstring lastPath;
};

class ReaderLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(ReaderLines, EntriesRead)
{
    const LineCase& c = GetParam();
    std::string text = kHeader + c.body;
    tw::ulog::log_contents got = tw::ulog::read_log_text(text.data(), text.size(), latin1_widen, any_folder);
    EXPECT_EQ(got.installPath, L"C:\\I");
    ASSERT_EQ(got.entries.size(), c.entries);
    if (c.entries) {
        EXPECT_EQ(got.entries.back().path, c.lastPath);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ReaderLines,
    ::testing::Values(
        LineCase{"spaces_before_every_item", " 12 : 0101 : 1  --   C:\\a b  \r\n", 1, L"C:\\a b"},
        LineCase{"last_line_without_line_feed", "0000:00ff:1 -- C:\\x", 1, L"C:\\x"},
        LineCase{"negative_number_stops", "0000:00ff:1 -- C:\\x\r\n-1:00ff:1 -- C:\\y\r\n", 1, L"C:\\x"},
        LineCase{"done_must_be_0_or_1", "0000:00ff:2 -- C:\\x\r\n", 0, L""},
        LineCase{"word_must_be_two_hyphens", "0000:00ff:1 - C:\\x\r\n", 0, L""},
        LineCase{"missing_colon", "0000 00ff:1 -- C:\\x\r\n", 0, L""},
        LineCase{"header_line_among_entries_is_ignored", "0000:00ff:1 -- C:\\x\r\n// note\r\n0001:00ff:1 -- C:\\y\r\n",
                 2, L"C:\\y"},
        LineCase{"code_over_32_bits_stops", "0000:100000000:1 -- C:\\x\r\n", 0, L""},
        // 1,520 bytes hold 1,519 bytes of line and the NUL.
        LineCase{"ansi_line_that_fits", "0000:00ff:1 -- " + std::string(1519 - 15 - 2, 'f') + "\r\n", 1,
                 std::wstring(1519 - 15 - 2, L'f')},
        LineCase{"ansi_line_one_byte_too_long",
                 "0000:00ff:1 -- C\r\n0001:00ff:1 -- " + std::string(1519 - 15 - 1, 'f') + "\r\n", 1, L"C"}),
    [](const auto& i) { return std::string(i.param.name); });

// A file cut inside its last line: the line is still read, and the cut shows.
TEST(ReaderEnd, ACutLastLineShows)
{
    const std::string ended = kHeader + "0000:00ff:1 -- C:\\x\r\n";
    std::string wide = "\xFF\xFE";
    for (char c : ended)
        wide += std::string{c, '\0'};
    struct {
        std::string text;
        bool unterminated;
    } cases[] = {{ended, false},         {ended.substr(0, ended.size() - 1), true},
                 {ended.substr(0, ended.size() - 2), true}, {wide, false},
                 {wide + "/", true},     {wide.substr(0, wide.size() - 2), true}, {"", false}};
    for (const auto& c : cases) {
        tw::ulog::log_reader reader(latin1_widen, any_folder);
        reader.feed(c.text.data(), c.text.size());
        reader.finish();
        EXPECT_FALSE(reader.stopped());
        EXPECT_EQ(reader.contents().entries.size(), c.text.empty() ? 0u : 1u);
        EXPECT_EQ(reader.unterminated(), c.unterminated) << testing::PrintToString(c.text);
    }
}

TEST(ReaderForm, Utf16MarkIsNotPartOfTheFirstLine)
{
    std::wstring text = L"\xFEFF// Uninstall Log File v1\r\n";
    std::string bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    tw::ulog::log_contents got = tw::ulog::read_log_text(bytes.data(), bytes.size(), latin1_widen, any_folder);
    EXPECT_EQ(got.version, 1);
}

TEST(ReaderForm, OnlyVersionOneIsRead)
{
    // Versions out of every integer's range, or equal to 1 only once cut to
    // 32 bits, stop the reading at the first line like any other version.
    const std::string body = kHeader.substr(kHeader.find("\r\n") + 2) + "0000:00ff:1 -- C:\\x\r\n";
    for (const std::string& version : {std::string("1"), std::string("2"), std::string("4294967297"),
                                      std::string(60, '9'), "-" + std::string(60, '9')}) {
        std::string text = "// Uninstall Log File v" + version + "\r\n" + body;
        tw::ulog::log_contents got = tw::ulog::read_log_text(text.data(), text.size(), latin1_widen, any_folder);
        EXPECT_EQ(got.entries.size(), version == "1" ? 1u : 0u) << "v" << version;
        EXPECT_EQ(got.version == 1, version == "1") << "v" << version;
    }
}

TEST(WriterLines, EntryCodesAndNumbers)
{
    tw::ulog::fixed_paths fixed{L"HKLM\\key", L"HKCR\\..."};
    UninstallLogEntry folder{LogEntryKind::Folder, L"C:\\f", L"", true, -1};
    UninstallLogEntry main{LogEntryKind::File, L"C:\\f\\k.exe", L"C:\\tmp\\tw1.tmp", true, 1};
    UninstallLogEntry desktop{LogEntryKind::DesktopShortcut, L"", L"", false, -1};
    UninstallLogEntry key{LogEntryKind::RegistryKey, L"", L"", true, -1};
    EXPECT_EQ(tw::ulog::entry_line(0, folder, fixed), L"0000:00ff:1 -- C:\\f");
    EXPECT_EQ(tw::ulog::entry_line(14, main, fixed), L"0014:0101:1 -- C:\\f\\k.exe");
    EXPECT_EQ(tw::ulog::entry_line(60, desktop, fixed), L"0060:04ff:0 -- ");
    EXPECT_EQ(tw::ulog::entry_line(12345, key, fixed), L"12345:05ff:1 -- HKLM\\key");
}

} // namespace
