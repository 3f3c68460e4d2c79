#pragma once
// The payload's error category, "compress".
#include <system_error>

namespace tw {

enum class compress_errc {
    invalid_checksum = 3,
    precheck_failed = 4,
    interrupted = 5,
    bzip2_error = 6,
    unexpected_error = 7,
};

const std::error_category& compress_category();

inline std::error_code make_error_code(compress_errc e)
{
    return {static_cast<int>(e), compress_category()};
}

// Throws std::system_error with the code.
[[noreturn]] void throw_compress_error(compress_errc e);

} // namespace tw

template <>
struct std::is_error_code_enum<tw::compress_errc> : std::true_type {};
