#include "tests/payload/payload_fixtures.h"

#include "payload/file_checksum.h"
#include "payload/text_encoding.h"

#include <boost/filesystem/fstream.hpp>
#include <boost/filesystem/operations.hpp>
#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/device/back_inserter.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <sstream>

namespace fs = boost::filesystem;
namespace io = boost::iostreams;

namespace tw::test {

std::string make_archive(const std::vector<body_entry>& entries)
{
    std::vector<archive_entry> records;
    for (const body_entry& e : entries)
        records.push_back({e.source, e.destination, e.kind, e.body.size(), crc32_of(e.body.data(), e.body.size())});
    std::ostringstream out;
    write_header(out, records);
    for (const body_entry& e : entries)
        out << e.body;
    return out.str();
}

std::string bzip2(const std::string& data, int block_size)
{
    std::string out;
    {
        io::filtering_ostream s;
        s.push(io::bzip2_compressor(io::bzip2_params(block_size)));
        s.push(io::back_inserter(out));
        s.write(data.data(), std::streamsize(data.size()));
    }
    return out;
}

std::string bunzip2(const std::string& data)
{
    std::istringstream in(data);
    io::filtering_istream s;
    s.push(io::bzip2_decompressor());
    s.push(in);
    std::ostringstream out;
    io::copy(s, out);
    return out.str();
}

scratch_folder::scratch_folder()
    : path_(fs::temp_directory_path() / fs::unique_path("tw-payload-%%%%-%%%%-%%%%"))
{
    fs::create_directories(path_);
}

scratch_folder::~scratch_folder()
{
    boost::system::error_code ec;
    fs::remove_all(path_, ec);
}

std::wstring scratch_folder::wpath(const std::string& below) const
{
    return (below.empty() ? path_ : path_ / below).wstring();
}

shell_folder_table::shell_folder_table(std::map<int, std::wstring> folders)
    : previous_(set_shell_folder_source([folders](int csidl) {
          auto it = folders.find(csidl);
          return it == folders.end() ? std::wstring() : it->second;
      }))
{
}

shell_folder_table::~shell_folder_table() { set_shell_folder_source(previous_); }

notification_callback recorder::callback()
{
    return [this](notification n) {
        auto path = [this](const std::wstring& p) {
            std::string s = to_utf8(p);
            if (!strip.empty() && s.compare(0, strip.size(), strip) == 0)
                s = "~" + s.substr(strip.size());
            return s;
        };
        std::string line;
        switch (n.index()) {
        case 0: line = "start"; break;
        case 1: {
            auto& f = std::get<notification::finish>(n);
            line = "finish " + std::to_string(f.compressed) + "/" + std::to_string(f.total);
            break;
        }
        case 2: line = "begin " + path(std::get<notification::file_begin>(n).entry.destination); break;
        case 3: line = "end " + path(std::get<notification::file_end>(n).entry.destination); break;
        case 4: {
            auto& p = std::get<notification::progress>(n);
            line = "progress " + std::to_string(p.processed) + "/" + std::to_string(p.total);
            break;
        }
        case 5: {
            auto& e = std::get<notification::error>(n);
            line = std::string("error ") + e.code.category().name() + " " + std::to_string(e.code.value()) + " " +
                   path(e.path);
            break;
        }
        }
        lines.push_back(line);
        return answer ? answer(n, lines.size() - 1) : notification::result::proceed;
    };
}

std::string read_file(const fs::path& p)
{
    fs::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const fs::path& p, const std::string& data)
{
    fs::create_directories(p.parent_path());
    fs::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(data.data(), std::streamsize(data.size()));
}

std::map<std::string, std::string> files_below(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (fs::recursive_directory_iterator it(root), end; it != end; ++it)
        if (fs::is_regular_file(it->path()))
            files[to_utf8(fs::relative(it->path(), root).wstring())] = read_file(it->path());
    return files;
}

std::vector<std::string> expected_lines(const std::vector<archive_entry>& resolved, uint64_t header_size,
                                        uint64_t compressed)
{
    uint64_t total = header_size;
    for (const archive_entry& e : resolved)
        total += e.size;
    auto progress = [&](uint64_t at) { return "progress " + std::to_string(at) + "/" + std::to_string(total); };
    std::vector<std::string> lines = {"start", progress(header_size)};
    uint64_t at = header_size;
    for (const archive_entry& e : resolved) {
        std::string path = to_utf8(e.destination);
        lines.push_back("begin " + path);
        uint64_t end = at + e.size;
        do {
            uint64_t block_end = (at / 4096 + 1) * 4096;
            at = std::min(end, block_end);
            lines.push_back(progress(at));
        } while (at < end);
        lines.push_back("end " + path);
    }
    lines.push_back("finish " + std::to_string(compressed) + "/" + std::to_string(total));
    return lines;
}

} // namespace tw::test
