#pragma once
// Payloads made in memory, a scratch folder, and a callback that records
// what the extractor says as readable lines.
#include "payload/archive_entry.h"
#include "payload/folder_templates.h"
#include "payload/notification.h"

#include <boost/filesystem/path.hpp>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tw::test {

struct body_entry {
    std::wstring source;
    std::wstring destination; // template
    std::string body;
    uint32_t kind = kind_content;
};

// The uncompressed archive: header, then bodies; crc and size from the body.
std::string make_archive(const std::vector<body_entry>& entries);
std::string bzip2(const std::string& data, int block_size = 9);
std::string bunzip2(const std::string& data);

// A fresh folder below the system's temporary folder, removed at the end.
class scratch_folder {
public:
    scratch_folder();
    ~scratch_folder();
    scratch_folder(const scratch_folder&) = delete;
    scratch_folder& operator=(const scratch_folder&) = delete;
    const boost::filesystem::path& path() const { return path_; }
    std::wstring wpath(const std::string& below = {}) const;

private:
    boost::filesystem::path path_;
};

// Installs a shell-folder table for the test's lifetime (the previous source
// comes back afterwards). Missing entries answer an empty path.
class shell_folder_table {
public:
    explicit shell_folder_table(std::map<int, std::wstring> folders);
    ~shell_folder_table();

private:
    shell_folder_source previous_;
};

// Records every notification as a line ("begin <path>", "progress 12/40",
// "error compress 7 <path>") and answers from `answer` (proceed without one).
struct recorder {
    std::vector<std::string> lines;
    std::function<notification::result(const notification&, std::size_t index)> answer;
    // Strips this prefix from recorded paths, so that runs in different
    // folders compare equal.
    std::string strip;

    notification_callback callback();
};

std::string read_file(const boost::filesystem::path& p);
void write_file(const boost::filesystem::path& p, const std::string& data);
// Every regular file below `root`, relative path to content.
std::map<std::string, std::string> files_below(const boost::filesystem::path& root);

// The sequence the extractor gives when every offer is a full 4096-byte
// block of the archive and every answer is proceed.
std::vector<std::string> expected_lines(const std::vector<archive_entry>& resolved, uint64_t header_size,
                                        uint64_t compressed);

} // namespace tw::test
