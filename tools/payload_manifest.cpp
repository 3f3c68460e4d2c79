#include "tools/payload_manifest.h"

#include "payload/file_checksum.h"
#include "payload/folder_templates.h"
#include "payload/text_encoding.h"

#include <boost/crc.hpp>
#include <boost/filesystem/fstream.hpp>
#include <boost/filesystem/operations.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <cwctype>

namespace fs = boost::filesystem;
namespace io = boost::iostreams;

namespace tw {
namespace {

const char* const kind_names[] = {"program_file", "main_program", "uninstaller", "kept_data", "content", "special"};

[[noreturn]] void fail(const fs::path& manifest, int line, const std::string& what)
{
    throw manifest_error(manifest.string() + ":" + std::to_string(line) + ": " + what);
}

std::vector<std::string> split_tabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

bool parse_kind(const std::string& text, uint32_t& kind)
{
    for (uint32_t i = 0; i < std::size(kind_names); ++i)
        if (text == kind_names[i] || text == std::to_string(i)) {
            kind = i;
            return true;
        }
    return false;
}

// Characters Windows refuses in a file or folder name.
bool has_forbidden_character(const std::wstring& name)
{
    for (wchar_t c : name)
        if (static_cast<uint32_t>(c) < 0x20 || std::wstring(L"<>:\"|?*").find(c) != std::wstring::npos)
            return true;
    return false;
}

std::wstring windows_form(std::wstring path)
{
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

bool same_ignoring_case(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i]))
            return false;
    return true;
}

bool is_drive(const std::wstring& element)
{
    return element.size() == 2 && element[1] == L':' && std::iswalpha(element[0]);
}

} // namespace

std::string template_refusal(const std::wstring& folder_template)
{
    if (folder_template.empty())
        return "an empty template does not begin with a placeholder";
    std::vector<std::wstring> elements = template_elements(folder_template);
    const std::wstring& first = elements.front();
    if (first.empty() || is_drive(first))
        return "an absolute template without a placeholder";
    if (first.front() != L'<' || first.back() != L'>') {
        for (const std::wstring& e : elements)
            if (e.find_first_of(L"<>") != std::wstring::npos)
                return "a placeholder in a later element";
        return "a relative template without a placeholder";
    }
    if (!is_placeholder(first)) {
        for (const std::wstring& name : placeholder_names())
            if (same_ignoring_case(first, name))
                return "placeholder " + to_utf8(first) + " in other letter case (write " + to_utf8(name) + ")";
        return "unknown placeholder " + to_utf8(first);
    }
    for (std::size_t i = 1; i < elements.size(); ++i) {
        if (elements[i] == L"..")
            return "\"..\" leaves the placeholder's folder";
        if (elements[i].find_first_of(L"<>") != std::wstring::npos)
            return "a placeholder in a later element";
        if (has_forbidden_character(elements[i]))
            return "a character Windows refuses in a folder name";
    }
    return {};
}

std::string kind_name(uint32_t kind)
{
    return kind < std::size(kind_names) ? kind_names[kind] : std::to_string(kind);
}

std::vector<manifest_item> read_manifest(const fs::path& manifest)
{
    fs::ifstream in(manifest, std::ios::binary);
    if (!in)
        throw manifest_error(manifest.string() + ": cannot be read");
    std::vector<manifest_item> items;
    std::wstring source_root;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> fields = split_tabs(line);
        std::vector<std::wstring> wide;
        try {
            for (const std::string& f : fields)
                wide.push_back(from_utf8(f));
        } catch (const std::invalid_argument&) {
            fail(manifest, number, "not UTF-8");
        }
        if (fields[0] == "source-root") {
            if (fields.size() != 2)
                fail(manifest, number, "malformed line: expected source-root<TAB>path");
            source_root = windows_form(wide[1]);
            continue;
        }
        if (fields.size() != 3)
            fail(manifest, number, "malformed line: expected kind<TAB>template<TAB>source");
        manifest_item item;
        item.line = number;
        if (!parse_kind(fields[0], item.entry.kind))
            fail(manifest, number, "unknown kind \"" + fields[0] + "\"");
        item.entry.destination = wide[1];
        if (std::string problem = template_refusal(wide[1]); !problem.empty())
            fail(manifest, number, problem + " in \"" + fields[1] + "\"");
        if (fields[2].empty())
            fail(manifest, number, "malformed line: empty source path");
        std::wstring source = windows_form(wide[2]);
        item.entry.source = source_root.empty() ? source : join_path(source_root, source);
        std::wstring name = last_element(item.entry.source);
        if (!is_installable_name(name) || has_forbidden_character(name))
            fail(manifest, number, "\"" + fields[2] + "\" has no file name that can be installed");
        item.file = fs::path(fields[2]);
        if (item.file.is_relative())
            item.file = manifest.parent_path() / item.file;
        items.push_back(std::move(item));
    }
    return items;
}

void build_payload(const fs::path& manifest, const fs::path& output)
{
    boost::system::error_code ignored;
    fs::remove(output, ignored); // a failed build leaves no stale payload behind
    std::vector<manifest_item> items = read_manifest(manifest);
    std::vector<archive_entry> entries;
    for (manifest_item& item : items) {
        boost::system::error_code ec;
        if (!fs::is_regular_file(item.file, ec))
            fail(manifest, item.line, "missing source file " + item.file.string());
        fs::ifstream in(item.file, std::ios::binary);
        boost::crc_32_type crc;
        char block[65536];
        uint64_t size = 0;
        while (in) {
            in.read(block, sizeof block);
            crc.process_bytes(block, static_cast<std::size_t>(in.gcount()));
            size += static_cast<uint64_t>(in.gcount());
        }
        if (!in.eof())
            fail(manifest, item.line, "cannot read source file " + item.file.string());
        item.entry.size = size;
        item.entry.crc = crc.checksum();
        entries.push_back(item.entry);
    }

    fs::path temporary = output;
    temporary += ".partial";
    try {
        {
            fs::ofstream file(temporary, std::ios::binary | std::ios::trunc);
            if (!file)
                throw std::runtime_error(temporary.string() + ": cannot be written");
            io::filtering_ostream out;
            out.push(io::bzip2_compressor(io::bzip2_params(9)));
            out.push(file);
            write_header(out, entries);
            for (const manifest_item& item : items) {
                fs::ifstream in(item.file, std::ios::binary);
                uint64_t copied = 0;
                char block[65536];
                while (in) {
                    in.read(block, sizeof block);
                    out.write(block, in.gcount());
                    copied += static_cast<uint64_t>(in.gcount());
                }
                // The body must be what the header promised.
                if (copied != item.entry.size)
                    fail(manifest, item.line, "source file changed while the payload was built: " + item.file.string());
            }
            out.reset(); // flushes the compressor into the file
            file.close();
            if (!file)
                throw std::runtime_error(temporary.string() + ": write failed");
        }
        fs::rename(temporary, output);
    } catch (...) {
        boost::system::error_code ec;
        fs::remove(temporary, ec);
        throw;
    }
}

} // namespace tw
