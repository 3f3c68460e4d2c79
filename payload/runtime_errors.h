#pragma once
// The C runtime's recorded error codes: the operating-system code (Windows'
// _doserrno) and the C-library errno. Streams report failures without a
// code; these are where the code of the failed call is left.
#include <system_error>

namespace tw {

void clear_runtime_errors();
// The recorded operating-system code (system category), else errno (generic
// category), else an empty code.
std::error_code recorded_runtime_error();

} // namespace tw
