// The payload tool of release engineering:
//   payload_tool build MANIFEST OUTPUT    write the payload the manifest lists
//   payload_tool list PAYLOAD             entries, kinds, sizes, CRCs, templates
//   payload_tool verify [--strict] PAYLOAD
//                                         decompress, check every body's CRC;
//                                         --strict: and every template by the
//                                         rules `build` applies to a manifest
//   payload_tool extract PAYLOAD FOLDER   install into FOLDER, one subfolder
//                                         per placeholder (InstallPath, CommonData ...)
#include "payload/archive_entry.h"
#include "payload/extract.h"
#include "payload/file_checksum.h"
#include "payload/folder_templates.h"
#include "payload/memstream.h"
#include "payload/text_encoding.h"
#include "tools/payload_manifest.h"

#include <boost/crc.hpp>
#include <boost/filesystem/fstream.hpp>
#include <boost/filesystem/operations.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <cinttypes>
#include <cstdio>
#include <iostream>
#include <map>

namespace fs = boost::filesystem;
namespace io = boost::iostreams;

namespace {

int usage()
{
    std::cerr << "usage: payload_tool build MANIFEST OUTPUT\n"
                 "       payload_tool list PAYLOAD\n"
                 "       payload_tool verify [--strict] PAYLOAD\n"
                 "       payload_tool extract PAYLOAD FOLDER\n";
    return 2;
}

uint64_t read_le(std::istream& in, int bytes)
{
    unsigned char buf[8];
    if (!in.read(reinterpret_cast<char*>(buf), bytes))
        throw std::runtime_error("archive ends inside its header");
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | buf[i];
    return v;
}

struct opened_payload {
    fs::ifstream file;
    io::filtering_istream archive;
    std::vector<tw::archive_entry> entries;
    uint64_t header_size = 0;
};

void open_payload(const fs::path& path, opened_payload& p)
{
    p.file.open(path, std::ios::binary);
    if (!p.file)
        throw std::runtime_error(path.string() + ": cannot be read");
    p.archive.push(io::bzip2_decompressor());
    p.archive.push(p.file);
    p.header_size = read_le(p.archive, 8);
    if (p.header_size < tw::header_fixed_size || (p.header_size >> 32) != 0)
        throw std::runtime_error("header size " + std::to_string(p.header_size) + " is impossible");
    std::string header(static_cast<std::size_t>(p.header_size - 8), '\0');
    if (!p.archive.read(header.data(), std::streamsize(header.size())))
        throw std::runtime_error("archive ends inside its header");
    tw::imemstream in(header.data(), header.size());
    try {
        p.entries = tw::read_directory(in, p.header_size);
    } catch (const std::system_error&) {
        throw std::runtime_error("the header's records do not match its size");
    }
}

int list(const fs::path& path)
{
    opened_payload p;
    open_payload(path, p);
    uint64_t total = p.header_size;
    std::printf("%zu entries, header %" PRIu64 " bytes\n", p.entries.size(), p.header_size);
    std::printf("%4s  %-12s %10s  %-8s  %s\n", "#", "kind", "size", "crc", "template / source");
    for (std::size_t i = 0; i < p.entries.size(); ++i) {
        const tw::archive_entry& e = p.entries[i];
        std::printf("%4zu  %-12s %10" PRIu64 "  %08" PRIx32 "  %s\n      %s\n", i, tw::kind_name(e.kind).c_str(), e.size,
                    e.crc, tw::to_utf8(e.destination).c_str(), tw::to_utf8(e.source).c_str());
        total += e.size;
    }
    std::printf("archive %" PRIu64 " bytes decompressed, %" PRIuMAX " compressed\n", total,
                static_cast<uintmax_t>(fs::file_size(path)));
    return 0;
}

int verify(const fs::path& path, bool strict)
{
    opened_payload p;
    open_payload(path, p);
    int bad = 0;
    if (strict)
        for (std::size_t i = 0; i < p.entries.size(); ++i)
            if (std::string refusal = tw::template_refusal(p.entries[i].destination); !refusal.empty()) {
                std::cerr << "verify: entry " << i << " (" << tw::to_utf8(p.entries[i].source) << "): " << refusal
                          << " in \"" << tw::to_utf8(p.entries[i].destination) << "\"\n";
                ++bad;
            }
    std::vector<char> block(65536);
    for (const tw::archive_entry& e : p.entries) {
        boost::crc_32_type crc;
        uint64_t left = e.size;
        while (left > 0) {
            std::streamsize want = std::streamsize(std::min<uint64_t>(left, block.size()));
            if (!p.archive.read(block.data(), want)) {
                std::cerr << "verify: archive ends inside " << tw::to_utf8(e.source) << "\n";
                return 1;
            }
            crc.process_bytes(block.data(), std::size_t(want));
            left -= uint64_t(want);
        }
        if (crc.checksum() != e.crc) {
            std::cerr << "verify: CRC mismatch in " << tw::to_utf8(e.source) << "\n";
            ++bad;
        }
    }
    if (p.archive.get() != std::char_traits<char>::eof()) {
        std::cerr << "verify: bytes after the last body\n";
        return 1;
    }
    if (bad)
        return 1;
    std::printf("verify: %zu entries intact%s\n", p.entries.size(), strict ? ", every template safe" : "");
    return 0;
}

int extract(const fs::path& path, const fs::path& folder)
{
    static const std::map<int, const char*> shell_names = {
        {tw::folder_personal, "Documents"},          {tw::folder_desktop_directory, "Desktop"},
        {tw::folder_common_desktop_directory, "CommonDesktop"}, {tw::folder_appdata, "UserData"},
        {tw::folder_common_appdata, "CommonData"},   {tw::folder_windows, "WinDir"},
        {tw::folder_system, "System"},               {tw::folder_program_files, "ProgramFiles"},
        {tw::folder_program_files_common, "ProgramCommon"}, {tw::folder_common_documents, "CommonDocuments"},
    };
    fs::path root = fs::absolute(folder);
    auto under = [&](const char* name) { return (root / name).wstring(); };
    tw::set_shell_folder_source([&](int csidl) -> std::wstring {
        auto it = shell_names.find(csidl);
        return it == shell_names.end() ? std::wstring() : under(it->second);
    });
    fs::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(path.string() + ": cannot be read");
    int files = 0;
    bool ok = tw::extract_archive(in, {under("InstallPath"), under("SamplePath"), under("Temporary")},
                                  [&](tw::notification n) {
                                      if (auto e = std::get_if<tw::notification::file_end>(&n)) {
                                          ++files;
                                          std::printf("%s\n", tw::to_utf8(e->entry.destination).c_str());
                                      } else if (auto f = std::get_if<tw::notification::error>(&n)) {
                                          std::cerr << "extract: " << f->code.category().name() << " error "
                                                    << f->code.value() << " (" << f->code.message() << ") "
                                                    << tw::to_utf8(f->path) << "\n";
                                      }
                                      return tw::notification::result::proceed;
                                  });
    if (ok)
        std::printf("extract: %d files\n", files);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return usage();
    std::string command = argv[1];
    try {
        if (command == "build" && argc == 4) {
            tw::build_payload(argv[2], argv[3]);
            return 0;
        }
        if (command == "list" && argc == 3)
            return list(argv[2]);
        if (command == "verify" && argc == 3)
            return verify(argv[2], false);
        if (command == "verify" && argc == 4 && std::string(argv[2]) == "--strict")
            return verify(argv[3], true);
        if (command == "extract" && argc == 4)
            return extract(argv[2], argv[3]);
    } catch (const std::exception& e) {
        std::cerr << "payload_tool " << command << ": " << e.what() << "\n";
        return 1;
    }
    return usage();
}
