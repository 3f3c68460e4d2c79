#pragma once
// The payload manifest: a plain UTF-8 text that lists the files to ship.
//
//   # comment                       (blank lines and lines starting with #)
//   source-root<TAB>C:\Dev\Files    recorded in front of every later source
//   <kind><TAB><template><TAB><source path>
//
// kind: program_file, main_program, uninstaller, kept_data, content, special
// or the number 0 to 5. template: the destination folder template, for
// instance "<CommonData>\Tarnwick\Curves\". source path: the file to read,
// relative to the manifest's folder unless absolute; its last element is the
// installed file name. The archive records the source-root joined with the
// source path in Windows form, so the build machine's folders never reach
// the payload and the same inputs give the same bytes.
#include "payload/archive_entry.h"

#include <boost/filesystem/path.hpp>
#include <stdexcept>
#include <string>
#include <vector>

namespace tw {

struct manifest_item {
    archive_entry entry;                // size and crc still 0
    boost::filesystem::path file;       // where the bytes are read from
    int line = 0;
};

// Names the manifest and line.
class manifest_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::vector<manifest_item> read_manifest(const boost::filesystem::path& manifest);

// Reads every source (size and CRC-32), then writes the archive as one bzip2
// stream of block size 9 to `output`, through a temporary file: on any error
// no output file is left. Throws manifest_error or std::runtime_error.
void build_payload(const boost::filesystem::path& manifest, const boost::filesystem::path& output);

// Why the installer must not be given `folder_template`, empty when it may.
// A template must begin with one of the thirteen placeholders, spelled
// exactly; no later element may be a placeholder, "..", or hold a character
// Windows refuses in a folder name. Anything else would resolve against the
// installer's current folder, or outside the folder it names.
std::string template_refusal(const std::wstring& folder_template);

// The kind's manifest name ("content"), or its number.
std::string kind_name(uint32_t kind);

} // namespace tw
