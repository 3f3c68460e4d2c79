#pragma once
// Streaming extraction of the payload, and its pre-check.
#include "payload/notification.h"
#include "payload/target_folders.h"

#include <exception>
#include <istream>
#include <string>
#include <system_error>

namespace tw {

// Decompresses `source` (one bzip2 stream) and writes every entry below
// `folders`, reading each file back to check its CRC-32. `callback` hears
// start, progress, file_begin/file_end, finish, and on failure exactly one
// error. True when every entry was written and verified, or skipped.
bool extract_archive(std::istream& source, target_folders folders, notification_callback callback);

// Decompresses `source` into nothing: true when it is one intact bzip2
// stream (or several) and nothing is left. Leaves the stream at its end.
bool check_payload_stream(std::istream& source);

// The error code the extractor reports for an exception.
std::error_code error_code_of(const std::exception& e);

} // namespace tw
