#pragma once
// What the extractor tells its caller, and what the caller answers.
#include "payload/archive_entry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <variant>

namespace tw {

namespace notifications {
struct start {};
struct finish {
    uint64_t compressed; // bytes read from the source
    uint64_t total;      // archive size, decompressed
};
struct file_begin {
    const archive_entry& entry; // valid during the call only
};
struct file_end {
    const archive_entry& entry;
};
struct progress {
    uint64_t processed;
    uint64_t total;
};
struct error {
    std::error_code code;
    std::wstring path;
};
} // namespace notifications

// The alternative's index is part of the interface: start 0, finish 1,
// file_begin 2, file_end 3, progress 4, error 5.
class notification
    : public std::variant<notifications::start, notifications::finish, notifications::file_begin,
                          notifications::file_end, notifications::progress, notifications::error> {
public:
    using variant::variant;

    using start = notifications::start;
    using finish = notifications::finish;
    using file_begin = notifications::file_begin;
    using file_end = notifications::file_end;
    using progress = notifications::progress;
    using error = notifications::error;

    enum class result : int { proceed = 0, abort = 1, skip = 2 };
};

using notification_callback = std::function<notification::result(notification)>;

} // namespace tw
