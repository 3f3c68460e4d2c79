#include "payload/runtime_errors.h"

#include <cerrno>
#include <cstdlib>

namespace tw {

void clear_runtime_errors()
{
#ifdef _WIN32
    _doserrno = 0;
#endif
    errno = 0;
}

std::error_code recorded_runtime_error()
{
#ifdef _WIN32
    if (_doserrno != 0)
        return {static_cast<int>(_doserrno), std::system_category()};
#endif
    if (errno != 0)
        return {errno, std::generic_category()};
    return {};
}

} // namespace tw
