#pragma once
// The text of the uninstall log, apart from the file I/O: the lines the writer
// produces and the reader that turns a byte stream back into folders, title
// and entries. Portable, so that the reader can be fuzzed natively.
#include "uninstall_log/log_entry.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tw::ulog {

// The reader keeps one line in a buffer of this many bytes, line end and
// terminating NUL included. Every line the writer produces fits.
constexpr size_t kLineBufferBytes = 1520;

// What the writer puts in place of the path of the two entries without one.
struct fixed_paths {
    std::wstring registryKey;  // the product's Uninstall key, spelled out
    std::wstring registration; // HKEY_CLASSES_ROOT\...
};

// The six header lines, without line ends.
std::vector<std::wstring> header_lines(const std::wstring& productTitle, const std::wstring& previousTitle,
                                       const std::wstring& installPath, const std::wstring& shortcutPath);

// One entry line, without line end: "0014:0101:1 -- C:\...".
std::wstring entry_line(size_t number, const UninstallLogEntry& entry, const fixed_paths& fixed);

// What a log says.
struct log_contents {
    int version = 0;
    std::wstring installPath;
    std::wstring shortcutPath;
    std::wstring previousTitle;
    std::vector<UninstallLogEntry> entries;
};

// Reads the log text as it arrives, in pieces of any size. The first two bytes
// decide the form: FF FE is UTF-16 little-endian, anything else 8-bit text
// that `decode_ansi` widens. Reading stops for good at the first line that
// breaks a rule (wrong version, foreign header, damaged entry, a line too long
// for the buffer); what was read before stays in `contents`.
class log_reader {
public:
    using ansi_decoder = std::function<std::wstring(const char* bytes, size_t size)>;
    using folder_query = std::function<bool(const std::wstring& path)>;

    log_reader(ansi_decoder decode_ansi, folder_query is_folder);

    void feed(const void* data, size_t size);
    // The end of the file: the last line may lack its line feed.
    void finish();

    bool stopped() const { return stopped_; }
    // After finish: the file ended inside a line (the writer ends every line
    // with a line feed, so a cut file shows this way).
    bool unterminated() const { return unterminated_; }
    const log_contents& contents() const { return contents_; }
    log_contents& contents() { return contents_; }

private:
    enum class form { undecided, utf16, ansi };

    void take_byte(unsigned char byte);
    void end_of_line();
    void handle_line(std::wstring line);
    bool header_line(const std::wstring& text);
    bool entry_line(const std::wstring& text);

    ansi_decoder decode_ansi_;
    folder_query is_folder_;
    form form_ = form::undecided;
    unsigned char first_[2] = {};
    size_t first_count_ = 0;
    std::string bytes_;      // the line so far, raw
    bool have_low_ = false;  // UTF-16: half of a code unit pending
    unsigned char low_ = 0;
    size_t counted_ = 0;     // counted lines so far
    bool stopped_ = false;
    bool unterminated_ = false;
    log_contents contents_;
};

// Parses a whole log held in memory (tests and the fuzz target).
log_contents read_log_text(const void* data, size_t size, const log_reader::ansi_decoder& decode_ansi,
                           const log_reader::folder_query& is_folder);

} // namespace tw::ulog
