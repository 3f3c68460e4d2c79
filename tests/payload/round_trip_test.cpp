// Payloads built by the payload tool from a manifest and extracted again:
// the exact notification sequence and the bytes on disk.
#include "payload/extract.h"
#include "payload/folder_templates.h"
#include "payload/text_encoding.h"
#include "tests/payload/payload_fixtures.h"

#include <algorithm>
#include <boost/filesystem/fstream.hpp>
#include <boost/filesystem/operations.hpp>
#include <cstdlib>
#include <gtest/gtest.h>

namespace fs = boost::filesystem;
using namespace tw;
using namespace tw::test;

namespace {

struct source_file {
    std::string kind;
    std::string folder_template; // UTF-8
    std::string path;            // below the sources folder
    std::string body;
    std::string installed;       // expected path below the scratch folder
    // The path the notifications name, where it is not the installed one: a
    // template's trailing separator stays in it as a "." element.
    std::string reported = {};
};

struct round_trip_case {
    const char* name;
    std::vector<source_file> files;
};

std::string pattern(std::size_t n, unsigned seed)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
    return s;
}

const std::string sep(1, static_cast<char>(fs::path::preferred_separator));

std::string run(const std::string& command)
{
    std::string out = (fs::temp_directory_path() / fs::unique_path("tw-tool-%%%%%%.txt")).string();
    int rc = std::system((command + " >" + out + " 2>&1").c_str());
    std::string text = read_file(out);
    fs::remove(out);
    return std::to_string(rc == 0 ? 0 : 1) + ":" + text;
}

// Builds the payload of `files` with the tool (sources recorded below
// `source_root`) and extracts it into `scratch`.
struct outcome {
    std::vector<std::string> lines;
    std::map<std::string, std::string> files;
    std::string payload;
    bool ok = false;
};

outcome build_and_extract(const std::vector<source_file>& files, const std::string& source_root,
                          const std::string& sources_folder)
{
    scratch_folder scratch;
    fs::path sources = scratch.path() / sources_folder;
    std::string manifest = "# round trip\nsource-root\t" + source_root + "\n";
    for (const source_file& f : files) {
        write_file(sources / fs::path(f.path), f.body);
        manifest += f.kind + "\t" + f.folder_template + "\t" + sources_folder + "/" + f.path + "\n";
    }
    write_file(scratch.path() / "manifest.txt", manifest);
    fs::path payload = scratch.path() / "payload.bz2";
    std::string built = run(std::string(TW_PAYLOAD_TOOL) + " build " + (scratch.path() / "manifest.txt").string() +
                            " " + payload.string());
    EXPECT_EQ(built, "0:");
    // Reproducible: the same inputs give the same bytes.
    fs::path again = scratch.path() / "again.bz2";
    run(std::string(TW_PAYLOAD_TOOL) + " build " + (scratch.path() / "manifest.txt").string() + " " + again.string());
    EXPECT_EQ(read_file(again), read_file(payload));

    fs::path out = scratch.path() / "out";
    shell_folder_table shell({{folder_common_appdata, (out / "CommonData").wstring()},
                              {folder_common_desktop_directory, (out / "Desktop").wstring()}});
    outcome result;
    result.payload = read_file(payload);
    recorder rec;
    rec.strip = to_utf8(out.wstring());
    fs::ifstream in(payload, std::ios::binary);
    result.ok = extract_archive(in, {(out / "InstallPath").wstring(), L"Samples", L""}, rec.callback());
    result.lines = rec.lines;
    if (fs::exists(out))
        result.files = files_below(out);
    return result;
}

std::vector<round_trip_case> cases()
{
    return {
        {"zero entries", {}},
        {"empty bodies in the middle and at the end",
         {{"content", "<InstallPath>", "a.txt", "abc", "InstallPath/a.txt"},
          {"content", "<InstallPath>", "empty1.txt", "", "InstallPath/empty1.txt"},
          {"content", "<InstallPath>", "b.txt", "hello", "InstallPath/b.txt"},
          {"content", "<InstallPath>\\Lang", "empty2.txt", "", "InstallPath/Lang/empty2.txt"},
          {"kept_data", "<CommonData>\\Tarnwick", "empty3.txt", "", "CommonData/Tarnwick/empty3.txt"}}},
        {"one-byte bodies",
         {{"program_file", "<InstallPath>", "x.dll", "x", "InstallPath/x.dll"},
          {"main_program", "<InstallPath>", "y.exe", "y", "InstallPath/y.exe"}}},
        {"bodies around the chunk boundaries",
         {{"content", "<CommonData>\\Tarnwick\\Models", "4095.bin", pattern(4095, 1), "CommonData/Tarnwick/Models/4095.bin"},
          {"content", "<CommonData>\\Tarnwick\\Models", "4096.bin", pattern(4096, 2), "CommonData/Tarnwick/Models/4096.bin"},
          {"content", "<CommonData>\\Tarnwick\\Models", "4097.bin", pattern(4097, 3), "CommonData/Tarnwick/Models/4097.bin"},
          {"content", "<SamplePath>", "large.bin", pattern(70000, 4), "Desktop/Samples/large.bin"}}},
        {"non-ASCII and non-BMP names",
         {{"content", "<CommonData>\\Tarnwick\\Modèles", "Größe東京.txt", "wide", "CommonData/Tarnwick/Modèles/Größe東京.txt"},
          {"content", "<SamplePath>", "\xF0\x9F\x98\x80 smile.doc", "astral", "Desktop/Samples/\xF0\x9F\x98\x80 smile.doc"}}},
        {"template with a trailing backslash",
         {{"content", "<CommonData>\\Tarnwick\\Curves\\", "c1.crv", "curve one", "CommonData/Tarnwick/Curves/c1.crv",
           "CommonData/Tarnwick/Curves/./c1.crv"},
          {"content", "<CommonData>\\Tarnwick\\Curves", "c2.crv", "curve two", "CommonData/Tarnwick/Curves/c2.crv"}}},
    };
}

// The lines the extractor must give. The destinations are the cases' own
// installed paths as the recorder shows them: the base folder below "~",
// then the template's folders and the name joined with backslashes.
std::vector<std::string> expected_for(const std::vector<source_file>& files, const outcome& got,
                                      const std::wstring& recorded_folder)
{
    std::vector<archive_entry> resolved;
    std::vector<archive_entry> records;
    for (const source_file& f : files) {
        archive_entry e;
        e.source = recorded_folder + L"\\" + from_utf8(f.path);
        e.size = f.body.size();
        e.destination = from_utf8(f.folder_template);
        records.push_back(e);
        std::string installed = f.reported.empty() ? f.installed : f.reported;
        std::replace(installed.begin() + static_cast<std::ptrdiff_t>(installed.find('/')), installed.end(), '/', '\\');
        e.destination = from_utf8("~" + sep + installed);
        resolved.push_back(e);
    }
    uint64_t compressed = got.payload.size();
    return expected_lines(resolved, header_size(records), compressed);
}

} // namespace

TEST(RoundTrip, ToolThenExtractGivesExactNotificationsAndBytes)
{
    for (const round_trip_case& c : cases()) {
        SCOPED_TRACE(c.name);
        outcome got = build_and_extract(c.files, "C:\\Build", "src");
        EXPECT_TRUE(got.ok);
        EXPECT_EQ(got.lines, expected_for(c.files, got, L"C:\\Build\\src"));
        std::map<std::string, std::string> want;
        for (const source_file& f : c.files)
            want[f.installed] = f.body;
        std::map<std::string, std::string> on_disk;
        for (auto& [path, body] : got.files) {
            std::string p = path;
            for (char& ch : p)
                if (ch == '\\')
                    ch = '/';
            on_disk[p] = body;
        }
        EXPECT_EQ(on_disk, want);
    }
}

TEST(RoundTrip, PayloadsDifferingOnlyInSourceFoldersInstallIdentically)
{
    std::vector<source_file> files = {
        {"content", "<InstallPath>", "one.txt", "first", "InstallPath/one.txt"},
        {"content", "<CommonData>\\Tarnwick", "two.txt", pattern(5000, 9), "CommonData/Tarnwick/two.txt"},
    };
    outcome a = build_and_extract(files, "C:\\Dev\\Installer\\Files", "here");
    outcome b = build_and_extract(files, "D:\\Elsewhere", "there");
    EXPECT_TRUE(a.ok && b.ok);
    EXPECT_NE(a.payload, b.payload); // the recorded sources differ
    EXPECT_EQ(a.files, b.files);
    // Progress counts and the compressed size follow the header's length.
    auto files_only = [](std::vector<std::string> lines) {
        std::erase_if(lines, [](const std::string& l) { return l.rfind("progress", 0) == 0 || l.rfind("finish", 0) == 0; });
        return lines;
    };
    EXPECT_EQ(files_only(a.lines), files_only(b.lines));
    EXPECT_EQ(files_only(a.lines).size(), 5u); // start and two begin/end pairs
}

TEST(PayloadTool, BadManifestsNameFileAndLineAndLeaveNoOutput)
{
    scratch_folder scratch;
    write_file(scratch.path() / "a.txt", "a");
    struct row {
        const char* name;
        std::string line;
        std::string message;
    };
    const std::vector<row> rows = {
        {"missing source file", "content\t<InstallPath>\tnot-there.txt", "missing source file"},
        {"unknown kind", "executable\t<InstallPath>\ta.txt", "unknown kind \"executable\""},
        {"malformed line", "content <InstallPath> a.txt", "malformed line"},
        {"too many fields", "content\t<InstallPath>\ta.txt\textra", "malformed line"},
        {"name with a colon", "content\t<InstallPath>\tsub/ab:c.txt", "no file name that can be installed"},
        {"name that is a folder", "content\t<InstallPath>\tsub/", "no file name that can be installed"},
        {"name ..", "content\t<InstallPath>\t..", "no file name that can be installed"},
    };
    fs::path output = scratch.path() / "out.bz2";
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        write_file(output, "stale"); // a failed build must not leave an old payload either
        write_file(scratch.path() / "m.txt", "# first line\ncontent\t<InstallPath>\ta.txt\n" + r.line + "\n");
        std::string got = run(std::string(TW_PAYLOAD_TOOL) + " build " + (scratch.path() / "m.txt").string() + " " +
                              output.string());
        EXPECT_EQ(got.substr(0, 2), "1:");
        EXPECT_NE(got.find("m.txt:3: "), std::string::npos) << got;
        EXPECT_NE(got.find(r.message), std::string::npos) << got;
        EXPECT_FALSE(fs::exists(output));
        EXPECT_FALSE(fs::exists(scratch.path() / "out.bz2.partial"));
    }
}

// Templates that would make the installer write somewhere unintended: the
// build names the manifest's line and writes nothing; verify --strict finds
// the same template in a payload made without the tool.
TEST(PayloadTool, TemplatesThatWriteElsewhereAreRefused)
{
    struct row {
        const char* rule;
        std::wstring folder_template;
        std::string reason;
    };
    const std::vector<row> rows = {
        {"relative without a placeholder", L"Tarnwick\\Korvane", "a relative template without a placeholder"},
        {"empty", L"", "an empty template does not begin with a placeholder"},
        {"absolute with a drive", L"C:\\Korvane", "an absolute template without a placeholder"},
        {"absolute on a share", L"\\\\server\\share\\Korvane", "an absolute template without a placeholder"},
        {"rooted without a drive", L"/Korvane", "an absolute template without a placeholder"},
        {"a bare drive", L"D:", "an absolute template without a placeholder"},
        {"not a whole first element", L"<InstallPath>Korvane", "a placeholder in a later element"},
        {"placeholder in other letter case", L"<installpath>\\Lang",
         "placeholder <installpath> in other letter case (write <InstallPath>)"},
        {"unknown placeholder", L"<InstallFolder>", "unknown placeholder <InstallFolder>"},
        {"placeholder in a later element", L"Tarnwick\\<CommonData>", "a placeholder in a later element"},
        {"second placeholder", L"<InstallPath>\\<CommonData>", "a placeholder in a later element"},
        {"climbs out", L"<InstallPath>\\..\\..\\Windows", "\"..\" leaves the placeholder's folder"},
        {"climbs out at the end", L"<CommonData>/Tarnwick/..", "\"..\" leaves the placeholder's folder"},
        {"drive in a later element", L"<InstallPath>\\C:\\Windows", "a character Windows refuses"},
    };
    scratch_folder scratch;
    write_file(scratch.path() / "a.txt", "a");
    const std::string tool = TW_PAYLOAD_TOOL;
    const std::string good = "content\t<InstallPath>\ta.txt\n";
    fs::path output = scratch.path() / "out.bz2";
    fs::path made = scratch.path() / "made.bz2";
    for (const row& r : rows) {
        SCOPED_TRACE(r.rule);
        write_file(output, "stale");
        write_file(scratch.path() / "m.txt", "# first line\n" + good + "content\t" + to_utf8(r.folder_template) + "\ta.txt\n");
        std::string built = run(tool + " build " + (scratch.path() / "m.txt").string() + " " + output.string());
        EXPECT_EQ(built.substr(0, 2), "1:");
        EXPECT_NE(built.find("m.txt:3: " + r.reason), std::string::npos) << built;
        EXPECT_FALSE(fs::exists(output));
        EXPECT_FALSE(fs::exists(scratch.path() / "out.bz2.partial"));

        write_file(made, bzip2(make_archive({{L"C:\\a.txt", L"<InstallPath>", "a"}, {L"C:\\b.txt", r.folder_template, "b"}})));
        EXPECT_EQ(run(tool + " verify " + made.string()), "0:verify: 2 entries intact\n");
        std::string strict = run(tool + " verify --strict " + made.string());
        EXPECT_EQ(strict.substr(0, 2), "1:");
        EXPECT_NE(strict.find("entry 1 (C:\\b.txt): " + r.reason), std::string::npos) << strict;
        EXPECT_EQ(strict.find("entry 0"), std::string::npos) << strict;
    }

    // Every placeholder, with and without further elements, builds and
    // passes the strict check.
    std::string manifest;
    std::vector<body_entry> entries;
    for (const std::wstring& name : placeholder_names())
        for (const wchar_t* rest : {L"", L"\\Tarnwick\\Korvane 6", L"/Curves/", L"\\.\\x"}) {
            manifest += "content\t" + to_utf8(name + rest) + "\ta.txt\n";
            entries.push_back({L"C:\\a.txt", name + rest, "a"});
        }
    write_file(scratch.path() / "m.txt", manifest);
    EXPECT_EQ(run(tool + " build " + (scratch.path() / "m.txt").string() + " " + output.string()), "0:");
    EXPECT_EQ(run(tool + " verify --strict " + output.string()), "0:verify: 52 entries intact, every template safe\n");
    write_file(made, bzip2(make_archive(entries)));
    EXPECT_EQ(run(tool + " verify --strict " + made.string()), "0:verify: 52 entries intact, every template safe\n");
}

TEST(PayloadTool, ListVerifyAndExtract)
{
    scratch_folder scratch;
    write_file(scratch.path() / "src" / "Korvane.exe", pattern(5000, 1));
    write_file(scratch.path() / "src" / "Curve.crv", "curve");
    write_file(scratch.path() / "m.txt", "source-root\tC:\\Dev\nkept_data\t<CommonData>\\Tarnwick\\Curves\\\tsrc/Curve.crv\n"
                                         "main_program\t<InstallPath>\tsrc/Korvane.exe\n");
    std::string tool = TW_PAYLOAD_TOOL;
    fs::path payload = scratch.path() / "p.bz2";
    ASSERT_EQ(run(tool + " build " + (scratch.path() / "m.txt").string() + " " + payload.string()), "0:");
    std::string listed = run(tool + " list " + payload.string());
    for (const char* want : {"2 entries", "kept_data", "main_program", "5000", "C:\\Dev\\src\\Korvane.exe",
                             "<CommonData>\\Tarnwick\\Curves\\"})
        EXPECT_NE(listed.find(want), std::string::npos) << want << " in\n" << listed;
    EXPECT_EQ(run(tool + " verify " + payload.string()), "0:verify: 2 entries intact\n");

    std::string damaged = read_file(payload);
    damaged[damaged.size() / 2] ^= 4;
    write_file(scratch.path() / "bad.bz2", damaged);
    EXPECT_EQ(run(tool + " verify " + (scratch.path() / "bad.bz2").string()).substr(0, 2), "1:");

    fs::path out = scratch.path() / "out";
    EXPECT_EQ(run(tool + " extract " + payload.string() + " " + out.string()).substr(0, 2), "0:");
    EXPECT_EQ(read_file(out / "InstallPath" / "Korvane.exe"), pattern(5000, 1));
    EXPECT_EQ(read_file(out / "CommonData" / "Tarnwick" / "Curves" / "Curve.crv"), "curve");
}
