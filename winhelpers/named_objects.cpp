#include "winhelpers/named_objects.h"

#include "winhelpers/hresult_error.h"
#include "winhelpers/security.h"
#include "winhelpers/security_functions.h"

namespace tw {
namespace {

constexpr DWORD kMutexAllAccess = 0x001F0001;
constexpr DWORD kSemaphoreAllAccess = 0x001F0003;

bool is_nt5_or_later()
{
    static const bool answer = [] {
        OSVERSIONINFOEXW info = {};
        info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
            info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
            if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)))
                return false;
        }
#pragma GCC diagnostic pop
        return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion > 4;
    }();
    return answer;
}

// Runs `create` with security attributes that give Everyone `access`; the
// descriptor and its access list live only for the call.
template <typename Create>
HANDLE create_for_everyone(DWORD access, Create create)
{
    HANDLE handle = nullptr;
    DWORD error = ERROR_CAN_NOT_COMPLETE;
    try {
        scoped_heap_block acl;
        {
            well_known_sid everyone(well_known_sid::everyone);
            acl = make_single_ace_acl(everyone.get(), access);
        }
        security_descriptor sd;
        security::set_security_descriptor_dacl(sd.get(), acl.as<ACL>());
        SECURITY_ATTRIBUTES sa = {sizeof(sa), sd.get(), FALSE};
        handle = create(&sa);
        error = GetLastError();
    } catch (const hresult_error&) {
        handle = nullptr;
        error = ERROR_CAN_NOT_COMPLETE;
    }
    SetLastError(error);
    return handle;
}

bool owned_by_wait(DWORD result)
{
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

} // namespace

std::wstring global_object_prefix()
{
    return is_nt5_or_later() ? L"Global\\" : L"";
}

HANDLE create_mutex(bool initialOwner, const std::wstring& name)
{
    std::wstring full = global_object_prefix() + name;
    return create_for_everyone(kMutexAllAccess, [&](SECURITY_ATTRIBUTES* sa) {
        return CreateMutexW(sa, initialOwner, full.c_str());
    });
}

HANDLE create_semaphore(LONG initialCount, LONG maximumCount, const std::wstring& name)
{
    std::wstring full = global_object_prefix() + name;
    return create_for_everyone(kSemaphoreAllAccess, [&](SECURITY_ATTRIBUTES* sa) {
        return CreateSemaphoreW(sa, initialCount, maximumCount, full.c_str());
    });
}

named_mutex::named_mutex(const std::wstring& name, bool initialOwner, bool secure)
{
    handle.reset(secure ? create_mutex(initialOwner, name) : CreateMutexW(nullptr, initialOwner, name.c_str()));
    DWORD error = GetLastError();
    if (!handle.valid() || !initialOwner)
        owned = false;
    else if (error != ERROR_ALREADY_EXISTS)
        owned = true;
    else
        owned = owned_by_wait(WaitForSingleObject(handle.get(), INFINITE));
}

named_mutex::~named_mutex()
{
    if (handle.valid() && owned)
        ReleaseMutex(handle.get());
}

bool named_mutex::try_lock()
{
    owned = handle.valid() && owned_by_wait(WaitForSingleObject(handle.get(), 0));
    return owned;
}

semaphore_units::~semaphore_units()
{
    if (units > 0)
        acquire(units);
    else if (units < 0 && handle.valid() && ReleaseSemaphore(handle.get(), -units, nullptr))
        units = 0;
}

bool semaphore_units::acquire(LONG n)
{
    LONG taken = 0;
    for (; taken < n; ++taken) {
        if (!handle.valid() || WaitForSingleObject(handle.get(), 0) != WAIT_OBJECT_0) {
            if (taken != 0)
                ReleaseSemaphore(handle.get(), taken, nullptr);
            return false;
        }
    }
    units -= n;
    return true;
}

LONG count_running_instances(HANDLE semaphore)
{
    LONG previous = 0;
    if (!semaphore || !ReleaseSemaphore(semaphore, 1, &previous))
        return 0;
    WaitForSingleObject(semaphore, 0);
    return previous;
}

} // namespace tw
