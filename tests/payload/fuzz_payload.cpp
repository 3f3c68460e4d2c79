// libFuzzer target: arbitrary bytes into the extractor's sink (first byte
// even), or as a compressed stream into extract_archive (first byte odd),
// with files going to a scratch folder. The first byte also picks the chunk
// size and the answers. With --write-seeds FOLDER it writes the seed corpus;
// with --write-escapes FOLDER OUTSIDE, inputs whose templates name OUTSIDE
// (absolute, and climbing out with "..") and a relative folder.
//
// Fuzzed templates can name any folder: the callback skips every destination
// outside the scratch folder, and the scratch folder is the current
// directory, so relative templates land inside it too.
#include "payload/archive_sink.h"
#include "payload/extract.h"
#include "payload/file_checksum.h"
#include "payload/folder_templates.h"
#include "payload/memstream.h"
#include "payload/text_encoding.h"
#include "tests/payload/payload_fixtures.h"

#include <boost/filesystem/operations.hpp>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fs = boost::filesystem;
using namespace tw;

namespace {

const fs::path& scratch()
{
    static const fs::path path = [] {
        fs::path p = fs::temp_directory_path() / fs::unique_path("tw-fuzz-%%%%-%%%%");
        fs::create_directories(p);
        return p;
    }();
    return path;
}

void clean()
{
    boost::system::error_code ec;
    for (fs::directory_iterator it(scratch(), ec), end; !ec && it != end; it.increment(ec))
        fs::remove_all(it->path(), ec);
}

// `destination` made absolute against the current directory (the scratch
// folder) and normalized, still below the scratch folder.
bool inside_scratch(const std::wstring& destination)
{
    fs::path file = fs::absolute(native_path(destination)).lexically_normal();
    fs::path root = scratch().lexically_normal();
    auto at = std::mismatch(root.begin(), root.end(), file.begin(), file.end());
    if (at.first != root.end() || at.second == file.end())
        return false;
    for (auto it = at.second; it != file.end(); ++it)
        if (*it == "..")
            return false;
    return true;
}

notification_callback answers(uint8_t mode)
{
    return [mode, count = 0](notification n) mutable {
        ++count;
        if (auto begin = std::get_if<notification::file_begin>(&n); begin && !inside_scratch(begin->entry.destination))
            return notification::result::skip;
        if ((mode & 0x10) && n.index() == 2 && count % 3 == 0)
            return notification::result::skip;
        if ((mode & 0x20) && count == 40)
            return notification::result::abort;
        return notification::result::proceed;
    };
}

target_folders folders()
{
    return {(scratch() / "InstallPath").wstring(), L"Samples", L""};
}

int write_seeds(const fs::path& dir)
{
    using tw::test::body_entry;
    fs::create_directories(dir);
    std::vector<std::vector<body_entry>> archives = {
        {},
        {{L"C:\\a.txt", L"<InstallPath>", "hello"}},
        {{L"C:\\a.txt", L"<InstallPath>\\Lang", std::string(5000, 'x')},
         {L"C:\\e.txt", L"<CommonData>\\T\\", ""},
         {L"C:\\b.txt", L"<SamplePath>", "b"}},
    };
    int n = 0;
    for (const auto& entries : archives) {
        std::string raw = tw::test::make_archive(entries);
        for (uint8_t mode : {0x00, 0x02, 0x12, 0x01, 0x11, 0x21}) {
            std::string body = mode & 1 ? tw::test::bzip2(raw) : raw;
            tw::test::write_file(dir / ("seed" + std::to_string(n++)), std::string(1, char(mode)) + body);
        }
    }
    return 0;
}

// Entries that would write into `outside` if the callback let them.
int write_escapes(const fs::path& dir, const fs::path& outside)
{
    using tw::test::body_entry;
    fs::create_directories(dir);
    std::wstring absolute = fs::absolute(outside).wstring();
    std::wstring climbing = L"<InstallPath>";
    for (int i = 0; i < 40; ++i)
        climbing += L"\\..";
    climbing += absolute;
    std::string raw = tw::test::make_archive({{L"C:\\inside.txt", L"<InstallPath>", "inside"},
                                             {L"C:\\absolute.txt", absolute, "absolute"},
                                             {L"C:\\climbing.txt", climbing, "climbing"},
                                             {L"C:\\relative.txt", L"relative\\folder", "relative"},
                                             {L"C:\\unknown.txt", L"<Unknown>\\folder", "unknown"}});
    tw::test::write_file(dir / "escape-sink", std::string(1, '\0') + raw);
    tw::test::write_file(dir / "escape-extract", std::string(1, '\1') + tw::test::bzip2(raw));
    return 0;
}

// Corpus folders, inputs and the artifact prefix given relative to the
// folder the target was started in, made absolute before the target moves
// into its scratch folder.
void absolute_arguments(int argc, char** argv)
{
    static std::vector<std::string> kept;
    kept.reserve(static_cast<std::size_t>(argc));
    const std::string prefix = "-artifact_prefix=";
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind(prefix, 0) == 0 && arg.size() > prefix.size() && arg[prefix.size()] != '/')
            kept.push_back(prefix + fs::current_path().string() + "/" + arg.substr(prefix.size()));
        else if (!arg.empty() && arg[0] != '-' && arg[0] != '/')
            kept.push_back(fs::absolute(arg).string());
        else
            continue;
        argv[i] = kept.back().data();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    if (*argc == 3 && std::strcmp((*argv)[1], "--write-seeds") == 0)
        std::exit(write_seeds((*argv)[2]));
    if (*argc == 4 && std::strcmp((*argv)[1], "--write-escapes") == 0)
        std::exit(write_escapes((*argv)[2], (*argv)[3]));
    static const std::wstring root = scratch().wstring();
    absolute_arguments(*argc, *argv);
    fs::current_path(scratch());
    std::atexit([] {
        boost::system::error_code ec;
        fs::remove_all(scratch(), ec);
    });
    set_shell_folder_source([](int csidl) { return csidl == folder_appdata ? std::wstring() : root + L"/shell"; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    uint8_t mode = data[0];
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    size_t n = size - 1;
    if (mode & 1) {
        imemstream in(bytes, n);
        extract_archive(in, folders(), answers(mode));
        imemstream again(bytes, n);
        check_payload_stream(again);
    } else {
        size_t chunk = 1 + (mode >> 1) % 64 * 97;
        try {
            archive_sink sink(folders(), answers(mode));
            size_t at = 0;
            while (at < n) {
                size_t take = std::min(chunk, n - at);
                size_t done = 0;
                while (done < take)
                    done += static_cast<size_t>(sink.write(bytes + at + done, std::streamsize(take - done)));
                at += take;
            }
            if (sink.processed() == sink.total())
                sink.complete_empty_tail();
        } catch (const std::exception&) {
            // What extract_archive would report as an error notification.
        }
    }
    clean();
    return 0;
}
