#pragma once
// The extractor's sink: an incremental parser that gathers the header,
// resolves every destination, then routes each chunk of body bytes into the
// file it belongs to and verifies every written file.
#include "payload/archive_entry.h"
#include "payload/memstream.h"
#include "payload/notification.h"
#include "payload/output_file.h"
#include "payload/target_folders.h"

#include <cstdint>
#include <ios>
#include <memory>
#include <optional>
#include <vector>

namespace tw {

class archive_sink {
public:
    archive_sink(target_folders folders, notification_callback callback);
    ~archive_sink();
    archive_sink(const archive_sink&) = delete;
    archive_sink& operator=(const archive_sink&) = delete;

    // Consumes 0 to n bytes (n > 0), never past the end of the field or body
    // being filled; the caller offers again what was not consumed. After an
    // exception has left it, every later call swallows its bytes.
    std::streamsize write(const char* s, std::streamsize n);

    // Zero-length entries at the end of the directory receive no bytes: once
    // every byte has arrived, this creates them (file_begin, file_end).
    void complete_empty_tail();

    uint64_t processed() const { return processed_; }
    uint64_t total() const { return total_; }
    // The entry whose body is in progress, or null.
    const archive_entry* entry_in_progress() const;

private:
    std::streamsize gather_header(const char* s, std::streamsize n);
    void parse_header();
    std::streamsize write_entry(const char* s, std::streamsize n);
    void open_output(const std::wstring& path);
    void close_output();
    void send(notification n, bool may_abort);

    target_folders folders_;
    notification_callback callback_;
    std::vector<archive_entry> entries_;
    uint64_t header_size_ = 0;
    uint64_t processed_ = 0;
    uint64_t total_ = 0;
    std::unique_ptr<memstream> header_ = std::make_unique<memstream>();
    std::unique_ptr<output_file> file_;
    uint32_t position_ = 0;
    std::optional<uint64_t> remaining_;
    bool skipping_ = false;
    bool failed_ = false;
};

} // namespace tw
