// What the process says when an exception escapes: the same two lines as the
// runtime's own handler, but with the type's mangled name. The runtime's
// handler demangles it, and its demangler costs the installer about 45 KB
// that no user ever sees run (c++filt reads the mangled name back).
// Linked as an object into the executable, so that the runtime's handler is
// never pulled from the library.
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <typeinfo>

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    const std::type_info* type = abi::__cxa_current_exception_type();
    if (!type) {
        std::fputs("terminate called without an active exception\n", stderr);
        std::abort();
    }
    std::fprintf(stderr, "terminate called after throwing an instance of '%s'\n", type->name());
    try {
        throw;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "  what():  %s\n", e.what());
    } catch (...) {
    }
    std::abort();
}

} // namespace __gnu_cxx
