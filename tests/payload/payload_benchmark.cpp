// Prints how fast the extractor runs next to a bare libbz2 decode of the
// same stream, and how much memory it takes, on the demo payload and on a
// generated payload of about 200 MB with the same mix of files.
//   payload_benchmark DEMO_PAYLOAD [SCRATCH_FOLDER]
// Not a test: it only reports figures. Built natively and for Windows: the
// Windows build runs under Wine and times the code as the installer is
// compiled (the memory figures are Linux's).
#include "payload/archive_entry.h"
#include "payload/extract.h"
#include "payload/file_checksum.h"
#include "payload/folder_templates.h"
#include "payload/memstream.h"
#include "payload/text_encoding.h"
#include "tests/payload/payload_fixtures.h"

#include <boost/filesystem/fstream.hpp>
#include <boost/filesystem/operations.hpp>
#include <bzlib.h>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <sstream>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = boost::filesystem;
using namespace tw;
using clock_type = std::chrono::steady_clock;

namespace {

#ifdef _WIN32
long status_kib(const char*)
{
    return -1;
}

void reset_peak() {}
#else
long status_kib(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::strlen(field)));
    return -1;
}

void reset_peak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}
#endif

int rounds = 1;

struct timing {
    double wall = 1e100; // seconds
    double cpu = 1e100;  // seconds of this process on the processor
};

double cpu_now()
{
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
#else
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
#endif
}

// The best of `rounds` runs: the machine may be busy with other work, which
// shows in the wall-clock time far more than in the processor time.
template <class F>
timing seconds(F f)
{
    timing best;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = clock_type::now();
        double c0 = cpu_now();
        f();
        best.cpu = std::min(best.cpu, cpu_now() - c0);
        best.wall = std::min(best.wall, std::chrono::duration<double>(clock_type::now() - t0).count());
    }
    return best;
}

// libbz2 alone, into nothing: the limit.
uint64_t bare_decode(const fs::path& file)
{
#ifdef _WIN32
    std::FILE* in = _wfopen(file.c_str(), L"rb");
#else
    std::FILE* in = std::fopen(file.c_str(), "rb");
#endif
    if (!in)
        return 0;
    bz_stream s{};
    BZ2_bzDecompressInit(&s, 0, 0);
    char inbuf[4096], outbuf[4096];
    uint64_t total = 0;
    int rc = BZ_OK;
    while (rc != BZ_STREAM_END) {
        if (s.avail_in == 0) {
            s.avail_in = static_cast<unsigned>(std::fread(inbuf, 1, sizeof inbuf, in));
            s.next_in = inbuf;
            if (s.avail_in == 0)
                break;
        }
        s.next_out = outbuf;
        s.avail_out = sizeof outbuf;
        rc = BZ2_bzDecompress(&s);
        if (rc != BZ_OK && rc != BZ_STREAM_END)
            break;
        total += sizeof outbuf - s.avail_out;
    }
    BZ2_bzDecompressEnd(&s);
    std::fclose(in);
    return total;
}

void measure(const char* name, const fs::path& payload, const fs::path& scratch)
{
    fs::path out = scratch / "out";
    std::printf("%s: %.1f MB compressed (best of %d runs)\n", name, double(fs::file_size(payload)) / 1e6, rounds);
    fs::remove_all(out);
    long baseline = status_kib("VmRSS:");
    reset_peak();
    bool ok = false;
    uint64_t files = 0;
    timing extract = seconds([&] {
        fs::remove_all(out);
        fs::ifstream in(payload, std::ios::binary);
        files = 0;
        ok = extract_archive(in, {(out / "InstallPath").wstring(), L"Samples", L""}, [&](const notification& n) {
            files += n.index() == 3;
            return notification::result::proceed;
        });
    });
    long peak = status_kib("VmHWM:");
    bool intact = false;
    timing check = seconds([&] {
        fs::ifstream in(payload, std::ios::binary);
        intact = check_payload_stream(in);
    });
    uint64_t decoded = 0;
    timing decode = seconds([&] { decoded = bare_decode(payload); });
    std::printf("  archive %.1f MB in %llu files; check %s, extract %s\n", double(decoded) / 1e6,
                static_cast<unsigned long long>(files), intact ? "intact" : "FAILED", ok ? "ok" : "FAILED");
    std::printf("                        wall     processor\n");
    std::printf("  check_payload_stream %6.3f s  %6.3f s\n", check.wall, check.cpu);
    std::printf("  extract_archive      %6.3f s  %6.3f s\n", extract.wall, extract.cpu);
    std::printf("  bare libbz2 decode   %6.3f s  %6.3f s\n", decode.wall, decode.cpu);
    std::printf("  extract/decode       %6.3f    %6.3f\n", extract.wall / decode.wall, extract.cpu / decode.cpu);
    std::printf("  check/decode         %6.3f    %6.3f\n", check.wall / decode.wall, check.cpu / decode.cpu);
    if (peak >= 0)
        std::printf("  peak resident memory during extraction: %.1f MiB over a baseline of %.1f MiB\n",
                    double(peak - baseline) / 1024, double(baseline) / 1024);
    fs::remove_all(out);
}

// The demo archive's files repeated under new names until the archive holds
// about `target` bytes, compressed like the build tool does.
void make_large(const fs::path& demo, const fs::path& large, uint64_t target)
{
    fs::ifstream in(demo, std::ios::binary);
    std::stringstream compressed;
    compressed << in.rdbuf();
    std::string raw = test::bunzip2(compressed.str());
    imemstream header(raw.data() + 8, raw.size() - 8);
    uint64_t header_size = 0;
    for (int i = 7; i >= 0; --i)
        header_size = (header_size << 8) | static_cast<unsigned char>(raw[i]);
    std::vector<archive_entry> demo_entries = read_directory(header, header_size);
    std::vector<archive_entry> entries;
    std::vector<std::pair<uint64_t, uint64_t>> bodies; // offset, size in raw
    uint64_t total = 0;
    for (int copy = 0; total < target; ++copy) {
        uint64_t at = header_size;
        for (archive_entry e : demo_entries) {
            e.source += L"." + std::to_wstring(copy);
            entries.push_back(e);
            bodies.push_back({at, e.size});
            at += e.size;
            total += e.size;
        }
    }
    std::ostringstream archive;
    write_header(archive, entries);
    for (auto [offset, size] : bodies)
        archive.write(raw.data() + offset, std::streamsize(size));
    std::string packed = test::bzip2(archive.str());
    fs::ofstream(large, std::ios::binary).write(packed.data(), std::streamsize(packed.size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: payload_benchmark DEMO_PAYLOAD [SCRATCH_FOLDER]\n");
        return 2;
    }
    fs::path demo = argv[1];
    fs::path scratch = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / fs::unique_path("tw-bench-%%%%");
    fs::create_directories(scratch);
    std::wstring shell = (scratch / "out" / "shell").wstring();
    set_shell_folder_source([shell](int) { return shell; });

    // Each payload in a fresh process, so that its peak memory is its own
    // (on Windows in this one: the memory figures are Linux's only).
    auto in_child = [](auto f) {
#ifdef _WIN32
        f();
        std::fflush(stdout);
#else
        std::fflush(stdout);
        pid_t child = fork();
        if (child == 0) {
            f();
            std::fflush(stdout);
            _exit(0);
        }
        waitpid(child, nullptr, 0);
#endif
    };
    rounds = 5;
    in_child([&] { measure("demo payload", demo, scratch); });
    rounds = 2;
    fs::path large = scratch / "large.bz2";
    std::printf("generating a payload of about 200 MB ...\n");
    std::fflush(stdout);
    in_child([&] { make_large(demo, large, 200000000); });
    in_child([&] { measure("generated payload", large, scratch); });
    fs::remove_all(scratch);
    return 0;
}
