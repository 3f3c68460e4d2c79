#include "payload/compress_error.h"

namespace tw {
namespace {

class compress_category_impl : public std::error_category {
public:
    const char* name() const noexcept override { return "compress"; }
    std::string message(int code) const override
    {
        switch (static_cast<compress_errc>(code)) {
        case compress_errc::invalid_checksum: return "invalid checksum";
        case compress_errc::interrupted: return "interrupted";
        case compress_errc::bzip2_error: return "bzip2 error";
        case compress_errc::unexpected_error: return "unexpected error";
        default: return "unknown error";
        }
    }
};

} // namespace

const std::error_category& compress_category()
{
    static const compress_category_impl category;
    return category;
}

void throw_compress_error(compress_errc e)
{
    throw std::system_error(make_error_code(e));
}

} // namespace tw
