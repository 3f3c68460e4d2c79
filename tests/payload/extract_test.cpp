// The extractor's answers, failures and mends on payloads made in memory.
// Portable: runs natively and under Wine.
#include "payload/archive_sink.h"
#include "payload/compress_error.h"
#include "payload/extract.h"
#include "payload/file_checksum.h"
#include "payload/memstream.h"
#include "payload/text_encoding.h"
#include "tests/payload/payload_fixtures.h"

#include <boost/filesystem/operations.hpp>
#include <cerrno>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace fs = boost::filesystem;
using namespace tw;
using namespace tw::test;
using result = notification::result;

namespace {

const std::wstring wsep(1, static_cast<wchar_t>(fs::path::preferred_separator));

std::string pattern(std::size_t n, unsigned seed)
{
    std::string s(n, '\0');
    std::mt19937 gen(seed);
    for (char& c : s)
        c = static_cast<char>(gen() % 7); // compressible, not trivial
    return s;
}

// The CRC-32 check value: "123456789" gives 0xCBF43926, in memory and read
// back from a file; nothing gives 0.
TEST(Crc32, KnownAnswers)
{
    EXPECT_EQ(crc32_of("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(crc32_of("", 0), 0u);
    scratch_folder scratch;
    write_file(scratch.path() / "check.txt", "123456789");
    EXPECT_EQ(file_crc32((scratch.path() / "check.txt").wstring()), 0xCBF43926u);
}

std::vector<body_entry> three_files()
{
    return {
        {L"C:\\Dev\\a.txt", L"<InstallPath>", pattern(5000, 1)},
        {L"C:\\Dev\\b.txt", L"<InstallPath>\\Sub", pattern(300, 2)},
        {L"C:\\Dev\\c.txt", L"<CommonData>\\Tarnwick", pattern(9000, 3)},
    };
}

struct run_result {
    bool ok;
    std::vector<std::string> lines;
};

// Extracts `compressed` below `scratch` (InstallPath, CommonData).
run_result extract(const scratch_folder& scratch, const std::string& compressed, recorder rec = {})
{
    shell_folder_table shell({{folder_common_appdata, scratch.wpath("CommonData")}});
    rec.strip = to_utf8(scratch.wpath());
    imemstream in(compressed.data(), compressed.size());
    bool ok = extract_archive(in, {scratch.wpath("InstallPath"), L"", L""}, rec.callback());
    return {ok, rec.lines};
}

std::string last(const run_result& r) { return r.lines.empty() ? "" : r.lines.back(); }
std::string in_install(const std::string& name) { return "~" + to_utf8(wsep) + "InstallPath\\" + name; }

// Header bytes as the little-endian fields they are.
std::string le(uint64_t v, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

std::string utf16le(const std::u16string& s)
{
    std::string out;
    for (char16_t c : s)
        out += le(c, 2);
    return out;
}

std::string record(const std::u16string& source, const std::u16string& dest, uint64_t size, uint32_t crc)
{
    return le(source.size(), 4) + utf16le(source) + le(dest.size(), 4) + utf16le(dest) + le(4, 4) + le(size, 8) +
           le(crc, 4);
}

} // namespace

TEST(Extract, FailureTableGivesCodeAndPath)
{
    const std::string good = bzip2(make_archive(three_files()));
    std::string corrupted = good;
    corrupted[corrupted.size() / 2] ^= 0x10;

    std::vector<body_entry> bad_crc = three_files();
    std::string bad_crc_archive = make_archive(bad_crc);
    bad_crc_archive[bad_crc_archive.size() - 10] ^= 1; // in c.txt's body

    std::string raw = make_archive(three_files());
    struct row {
        const char* name;
        std::string payload;
        std::function<result(const notification&, std::size_t)> answer;
        std::string error; // the last line
        std::vector<std::string> files_left;
    };
    auto abort_at_progress = [](int which) {
        return [which, seen = 0](const notification& n, std::size_t) mutable {
            return n.index() == 4 && ++seen == which ? result::abort : result::proceed;
        };
    };
    auto abort_on_begin = [](const notification& n, std::size_t) {
        return n.index() == 2 ? result::abort : result::proceed;
    };
    const std::string c_path = "~" + to_utf8(wsep) + "CommonData\\Tarnwick\\c.txt";
    std::vector<row> rows = {
        {"abort on the third progress", good, abort_at_progress(3), "error compress 5 " + in_install("a.txt"), {"InstallPath/a.txt"}},
        {"abort on the header's progress", good, abort_at_progress(1), "error compress 5 ", {}},
        {"abort after file_begin", good, abort_on_begin, "error compress 5 ", {}},
        {"CRC mismatch", bzip2(bad_crc_archive), nullptr, "error compress 3 " + c_path,
         {"CommonData/Tarnwick/c.txt", "InstallPath/Sub/b.txt", "InstallPath/a.txt"}},
        {"bytes after the last body", bzip2(raw + "x"), nullptr, "error compress 7 ",
         {"CommonData/Tarnwick/c.txt", "InstallPath/Sub/b.txt", "InstallPath/a.txt"}},
        {"truncated archive", bzip2(raw.substr(0, raw.size() - 100)), nullptr, "error compress 7 " + c_path,
         {"CommonData/Tarnwick/c.txt", "InstallPath/Sub/b.txt", "InstallPath/a.txt"}},
        {"archive ends inside the header", bzip2(raw.substr(0, 30)), nullptr, "error compress 7 ", {}},
        {"empty source", "", nullptr, "error compress 6 ", {}},
        {"not bzip2", "BZh9 this is not a payload", nullptr, "error compress 6 ", {}},
        {"one corrupted compressed byte", corrupted, nullptr, "error compress 6 ", {}},
        {"truncated compressed stream", good.substr(0, good.size() - 20), nullptr, "error compress 6 ", {}},
        // The decoder moves on to the next stream before it hands over the end
        // of the first, so the last file is still in progress.
        {"a second stream that is no bzip2", good + "garbage", nullptr, "error compress 6 " + c_path,
         {"CommonData/Tarnwick/c.txt", "InstallPath/Sub/b.txt", "InstallPath/a.txt"}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        scratch_folder scratch;
        recorder rec;
        rec.answer = r.answer;
        run_result got = extract(scratch, r.payload, rec);
        EXPECT_FALSE(got.ok);
        EXPECT_EQ(last(got), r.error);
        EXPECT_EQ(std::count_if(got.lines.begin(), got.lines.end(),
                                [](const std::string& l) { return l.rfind("error", 0) == 0; }),
                  1);
        std::vector<std::string> left;
        if (fs::exists(scratch.path()))
            for (auto& [path, body] : files_below(scratch.path())) {
                std::string p = path;
                std::replace(p.begin(), p.end(), '\\', '/');
                left.push_back(p);
            }
        std::sort(left.begin(), left.end());
        std::vector<std::string> want = r.files_left;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(left, want);
    }
}

TEST(Extract, SkipLeavesTheFileAloneButCountsItsBytes)
{
    scratch_folder scratch;
    write_file(scratch.path() / "InstallPath" / "a.txt", "previous");
    recorder rec;
    rec.answer = [](const notification& n, std::size_t) {
        if (auto b = std::get_if<notification::file_begin>(&n))
            if (last_element(b->entry.destination) == L"a.txt" || last_element(b->entry.destination) == L"c.txt")
                return result::skip;
        return result::proceed;
    };
    std::string archive = make_archive(three_files());
    run_result got = extract(scratch, bzip2(archive), rec);
    EXPECT_TRUE(got.ok);
    EXPECT_EQ(read_file(scratch.path() / "InstallPath" / "a.txt"), "previous");
    EXPECT_FALSE(fs::exists(scratch.path() / "CommonData"));
    EXPECT_EQ(read_file(scratch.path() / "InstallPath" / "Sub" / "b.txt"), three_files()[1].body);
    std::vector<std::string> ends;
    for (const std::string& l : got.lines)
        if (l.rfind("end ", 0) == 0)
            ends.push_back(l);
    EXPECT_EQ(ends, std::vector<std::string>{"end " + in_install("Sub\\b.txt")});
    EXPECT_EQ(got.lines[got.lines.size() - 2], "progress " + std::to_string(archive.size()) + "/" + std::to_string(archive.size()));
}

TEST(Extract, CallbackExceptionIsReportedWithTheEntryInProgress)
{
    scratch_folder scratch;
    recorder rec;
    rec.answer = [](const notification& n, std::size_t) -> result {
        if (n.index() == 4 && std::get<notification::progress>(n).processed > 5000)
            throw std::runtime_error("callback failed");
        return result::proceed;
    };
    run_result got = extract(scratch, bzip2(make_archive(three_files())), rec);
    EXPECT_FALSE(got.ok);
    EXPECT_EQ(last(got), "error compress 7 " + in_install("a.txt"));
}

TEST(Extract, FolderThatCannotBeCreatedGivesTheSystemCode)
{
    scratch_folder scratch;
    write_file(scratch.path() / "InstallPath" / "Sub", "a file where a folder must go");
    run_result got = extract(scratch, bzip2(make_archive(three_files())));
    EXPECT_FALSE(got.ok);
    ASSERT_FALSE(got.lines.empty());
#ifdef _WIN32
    const std::string want = "error system ";
#else
    const std::string want = "error generic "; // natively the library reports errno values
#endif
    EXPECT_EQ(last(got).substr(0, want.size()), want);
    EXPECT_EQ(last(got).substr(last(got).size() - in_install("Sub\\b.txt").size()), in_install("Sub\\b.txt"));
#ifndef _WIN32
    EXPECT_EQ(last(got), want + std::to_string(ENOTDIR) + " " + in_install("Sub\\b.txt"));
#endif
}

TEST(Extract, ExistingReadOnlyFileIsOverwritten)
{
    scratch_folder scratch;
    fs::path a = scratch.path() / "InstallPath" / "a.txt";
    write_file(a, "old");
    fs::permissions(a, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    run_result got = extract(scratch, bzip2(make_archive(three_files())));
    EXPECT_TRUE(got.ok) << last(got);
    EXPECT_EQ(read_file(a), three_files()[0].body);
}

// Mends: damaged headers are refused before anything is allocated or
// written, names that would leave their folder are refused, and empty
// files at the end of the directory are created.
TEST(Extract, DamagedHeadersAndBadNamesAreUnexpectedErrors)
{
    const std::u16string dest = u"<InstallPath>";
    auto header = [](uint64_t size, uint32_t count, const std::string& records) {
        return le(size, 8) + le(count, 4) + records;
    };
    std::string rec_ok = record(u"C:\\a.txt", dest, 0, 0);
    uint64_t ok_size = 12 + rec_ok.size();
    struct row {
        const char* name;
        std::string archive;
    };
    std::vector<row> rows = {
        {"header size below 12", header(8, 0, "")},
        {"header size with its upper half set", header(ok_size | (1ull << 32), 1, rec_ok)},
        {"records end before the header size", header(ok_size + 2, 1, rec_ok + "xx")},
        {"records run past the header size", header(ok_size - 2, 1, rec_ok)},
        {"entry count that cannot fit", header(ok_size, 0xFFFFFFFF, rec_ok)},
        {"string length that cannot fit", header(ok_size, 1, le(0x7FFFFFFF, 4) + rec_ok.substr(4))},
        {"empty file name", header(12 + record(u"C:\\dir\\", dest, 0, 0).size(), 1, record(u"C:\\dir\\", dest, 0, 0))},
        {"empty source", header(12 + record(u"", dest, 0, 0).size(), 1, record(u"", dest, 0, 0))},
        {"name ..", header(12 + record(u"C:\\x\\..", dest, 0, 0).size(), 1, record(u"C:\\x\\..", dest, 0, 0))},
        {"name .", header(12 + record(u"C:\\x\\.", dest, 0, 0).size(), 1, record(u"C:\\x\\.", dest, 0, 0))},
        {"name with a colon", header(12 + record(u"C:\\x\\a:b", dest, 0, 0).size(), 1, record(u"C:\\x\\a:b", dest, 0, 0))},
        {"name with a control character",
         header(12 + record(u"C:\\x\\a\tb", dest, 0, 0).size(), 1, record(u"C:\\x\\a\tb", dest, 0, 0))},
        {"sizes that overflow the total",
         header(12 + 2 * record(u"a", dest, 0, 0).size(), 2,
                record(u"a", dest, UINT64_MAX - 5, 0) + record(u"b", dest, 100, 0))},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        scratch_folder scratch;
        run_result got = extract(scratch, bzip2(r.archive + std::string(64, 'z')));
        EXPECT_FALSE(got.ok);
        EXPECT_EQ(last(got), "error compress 7 ");
        EXPECT_FALSE(fs::exists(scratch.path() / "InstallPath"));
    }
}

TEST(Extract, ZeroEntriesAndTrailingEmptyFiles)
{
    {
        scratch_folder scratch;
        std::string compressed = bzip2(make_archive({}));
        run_result got = extract(scratch, compressed);
        EXPECT_TRUE(got.ok);
        EXPECT_EQ(got.lines, (std::vector<std::string>{"start", "progress 12/12",
                                                       "finish " + std::to_string(compressed.size()) + "/12"}));
    }
    {
        scratch_folder scratch;
        std::vector<body_entry> entries = {{L"C:\\a.txt", L"<InstallPath>", ""}, {L"C:\\b.txt", L"<InstallPath>", ""}};
        run_result got = extract(scratch, bzip2(make_archive(entries)));
        EXPECT_TRUE(got.ok);
        EXPECT_TRUE(fs::is_regular_file(scratch.path() / "InstallPath" / "a.txt"));
        EXPECT_TRUE(fs::is_regular_file(scratch.path() / "InstallPath" / "b.txt"));
        EXPECT_EQ(std::count(got.lines.begin(), got.lines.end(), "end " + in_install("b.txt")), 1);
    }
}

TEST(Extract, ShellFolderThatCannotBeDeterminedStopsBeforeAnyFile)
{
    scratch_folder scratch;
    shell_folder_table none({});
    recorder rec;
    rec.strip = to_utf8(scratch.wpath());
    std::string compressed = bzip2(make_archive(three_files()));
    imemstream in(compressed.data(), compressed.size());
    EXPECT_FALSE(extract_archive(in, {scratch.wpath("InstallPath"), L"", L""}, rec.callback()));
    EXPECT_EQ(rec.lines, (std::vector<std::string>{"start", "error compress 7 "}));
    EXPECT_FALSE(fs::exists(scratch.path() / "InstallPath"));
}

// Feeding the sink one byte at a time, in random chunks and in one piece
// gives the same files and the same file notifications; progress only
// grows and ends at the total.
TEST(ArchiveSink, ChunkingDoesNotChangeTheOutcome)
{
    std::vector<body_entry> entries = {
        {L"C:\\s\\first.bin", L"<InstallPath>", pattern(4096, 11)},
        {L"C:\\s\\empty.bin", L"<InstallPath>\\E", ""},
        {L"C:\\s\\second.bin", L"<InstallPath>", pattern(12345, 12)},
        {L"C:\\s\\one.bin", L"<InstallPath>\\Sub\\", "1"},
        {L"C:\\s\\tail.bin", L"<InstallPath>", ""},
    };
    const std::string archive = make_archive(entries);
    auto feed = [&](const std::function<std::size_t(std::size_t left)>& next_chunk) {
        scratch_folder scratch;
        recorder rec;
        rec.strip = to_utf8(scratch.wpath());
        {
            archive_sink sink({scratch.wpath("InstallPath"), L"", L""}, rec.callback());
            std::size_t at = 0;
            while (at < archive.size()) {
                std::size_t n = std::min(next_chunk(archive.size() - at), archive.size() - at);
                std::size_t done = 0;
                while (done < n)
                    done += static_cast<std::size_t>(sink.write(archive.data() + at + done, std::streamsize(n - done)));
                at += n;
            }
            sink.complete_empty_tail();
            EXPECT_EQ(sink.processed(), sink.total());
        }
        std::vector<std::string> files_events;
        uint64_t last_progress = 0;
        for (const std::string& l : rec.lines) {
            if (l.rfind("progress ", 0) == 0) {
                uint64_t p = std::stoull(l.substr(9));
                EXPECT_GE(p, last_progress);
                last_progress = p;
            } else {
                files_events.push_back(l);
            }
        }
        EXPECT_EQ(last_progress, archive.size());
        return std::make_pair(files_events, files_below(scratch.path()));
    };
    auto whole = feed([](std::size_t left) { return left; });
    auto bytes = feed([](std::size_t) { return std::size_t(1); });
    std::mt19937 gen(20240611);
    auto random = feed([&](std::size_t) { return std::size_t(1 + gen() % 6000); });
    EXPECT_EQ(whole.first.size(), 10u); // begin and end of each of the five entries
    EXPECT_EQ(whole, bytes);
    EXPECT_EQ(whole, random);
    EXPECT_EQ(whole.second.size(), 5u);
}

TEST(PayloadCheck, AnswersAndLeavesTheStreamAtItsEnd)
{
    const std::string good = bzip2(make_archive(three_files()));
    std::string corrupted = good;
    corrupted[good.size() / 2] ^= 0x01;
    struct row {
        const char* name;
        std::string data;
        bool intact;
    };
    for (const row& r : std::vector<row>{{"intact", good, true},
                                         {"one corrupted byte", corrupted, false},
                                         {"empty", "", false},
                                         {"truncated", good.substr(0, good.size() - 1), false}}) {
        SCOPED_TRACE(r.name);
        imemstream in(r.data.data(), r.data.size());
        EXPECT_EQ(check_payload_stream(in), r.intact);
        EXPECT_EQ(static_cast<std::size_t>(in.tellg()), r.data.size());
    }
}

TEST(Memstream, ReadsBackWhatWasAppendedAndSeeks)
{
    memstream m;
    m.write("abc", 3);
    char c[3] = {};
    m.read(c, 2);
    EXPECT_EQ(std::string(c, 2), "ab");
    m.write("def", 3);
    m.read(c, 3);
    EXPECT_EQ(std::string(c, 3), "cde");
    m.seekg(1);
    m.read(c, 3);
    EXPECT_EQ(std::string(c, 3), "bcd");
    EXPECT_EQ(std::string(m.data(), m.size()), "abcdef");

    const char data[] = "0123456789";
    imemstream in(data, 10);
    in.seekg(-3, std::ios::end);
    in.read(c, 3);
    EXPECT_EQ(std::string(c, 3), "789");
    EXPECT_EQ(in.get(), EOF);
    in.clear();
    in.seekg(2);
    EXPECT_EQ(in.get(), '2');
    EXPECT_EQ(static_cast<int>(in.tellg()), 3);
}

TEST(CompressCategory, NamesAndMessages)
{
    EXPECT_STREQ(compress_category().name(), "compress");
    EXPECT_EQ(std::error_code(compress_errc::invalid_checksum).message(), "invalid checksum");
    EXPECT_EQ(std::error_code(compress_errc::precheck_failed).message(), "unknown error");
    EXPECT_EQ(std::error_code(compress_errc::interrupted).message(), "interrupted");
    EXPECT_EQ(std::error_code(compress_errc::bzip2_error).message(), "bzip2 error");
    EXPECT_EQ(std::error_code(compress_errc::unexpected_error).message(), "unexpected error");
    EXPECT_EQ(std::error_code(42, compress_category()).message(), "unknown error");
}
