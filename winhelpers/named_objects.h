#pragma once
// Named kernel objects that processes of every user and session share: the
// installer's single-instance mutex and the product family's counting
// semaphore of running instances.
#include "winhelpers/scoped_handle.h"

#include <windows.h>

#include <string>

namespace tw {

// "Global\" on Windows 2000 and later, so that every terminal session sees
// the same objects; empty before. The version is read once per process.
std::wstring global_object_prefix();

// Open or create with the global prefix and full access for Everyone. Null
// on failure; the last error is that of the creation call (183 when the
// object existed), or 1003 when its security could not be built.
HANDLE create_mutex(bool initialOwner, const std::wstring& name);
HANDLE create_semaphore(LONG initialCount, LONG maximumCount, const std::wstring& name);

class named_mutex {
public:
    // `secure`: the global name and Everyone's access; otherwise the name as
    // given with default security.
    named_mutex(const std::wstring& name, bool initialOwner, bool secure);
    ~named_mutex();
    named_mutex(const named_mutex&) = delete;
    named_mutex& operator=(const named_mutex&) = delete;

    // A zero-timeout wait; signalled or abandoned counts as owned.
    bool try_lock();

    scoped_handle handle;
    bool owned = false;
};

// Units this process has added to a semaphore (positive) or taken from it
// (negative); given back and the handle closed when the object goes.
class semaphore_units {
public:
    semaphore_units() = default;
    explicit semaphore_units(HANDLE semaphore) : handle(semaphore) {}
    ~semaphore_units();
    semaphore_units(const semaphore_units&) = delete;
    semaphore_units& operator=(const semaphore_units&) = delete;

    // Takes n units without waiting; all or none.
    bool acquire(LONG n);

    scoped_handle handle;
    LONG units = 0;
};

// The semaphore's count before this probe: one release, taken back at once.
// 0 when the release fails.
LONG count_running_instances(HANDLE semaphore);

} // namespace tw
