#include "winhelpers/security.h"

#include "winhelpers/scoped_handle.h"
#include "winhelpers/security_functions.h"

namespace tw {
namespace {

// The SID that follows the header and the mask of an access entry.
PSID ace_sid(void* ace)
{
    return static_cast<BYTE*>(ace) + sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);
}

// The private rights of the access test's descriptor.
constexpr DWORD kAccessRead = 1;
constexpr DWORD kAccessWrite = 2;
constexpr DWORD kAccessAll = kAccessRead | kAccessWrite;

} // namespace

well_known_sid::well_known_sid(kind k)
{
    static const SID_IDENTIFIER_AUTHORITY world = {SECURITY_WORLD_SID_AUTHORITY};
    static const SID_IDENTIFIER_AUTHORITY nt = {SECURITY_NT_AUTHORITY};
    switch (k) {
    case everyone:
        sid_ = security::allocate_and_initialize_sid(world, 1, SECURITY_WORLD_RID, 0);
        break;
    case administrators:
        sid_ = security::allocate_and_initialize_sid(nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
        break;
    case users:
        sid_ = security::allocate_and_initialize_sid(nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS);
        break;
    }
}

well_known_sid::~well_known_sid()
{
    if (sid_)
        security::free_sid(sid_);
}

scoped_heap_block make_single_ace_acl(PSID sid, DWORD access)
{
    DWORD size = security::get_length_sid(sid) + sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
    scoped_heap_block acl(size);
    security::initialize_acl(acl.as<ACL>(), size);
    security::add_access_allowed_ace(acl.as<ACL>(), access, sid);
    return acl;
}

security_descriptor::security_descriptor() : block_(SECURITY_DESCRIPTOR_MIN_LENGTH)
{
    security::initialize_security_descriptor(block_.get());
}

scoped_heap_block read_file_dacl(const wchar_t* path)
{
    DWORD needed = 0;
    security::get_file_security(path, nullptr, 0, &needed);
    scoped_heap_block sd(needed);
    security::get_file_security(path, sd.get(), needed, &needed);
    return sd;
}

namespace detail {

bool admin_by_membership()
{
    well_known_sid admins(well_known_sid::administrators);
    return security::check_token_membership(nullptr, admins.get());
}

bool admin_by_access_check()
{
    bool answer = false;
    bool impersonating = false;
    scoped_handle token;
    try {
        security::impersonate_self();
        impersonating = true;
        security::open_thread_token(GetCurrentThread(), FALSE, token.receive());

        well_known_sid admins(well_known_sid::administrators);
        scoped_heap_block acl = make_single_ace_acl(admins.get(), kAccessAll);
        security_descriptor sd;
        security::set_security_descriptor_dacl(sd.get(), acl.as<ACL>());
        security::set_security_descriptor_group(sd.get(), admins.get());
        security::set_security_descriptor_owner(sd.get(), admins.get());
        if (!security::is_valid_security_descriptor(sd.get()))
            raise_hresult(E_UNEXPECTED);

        GENERIC_MAPPING mapping = {kAccessRead, kAccessWrite, 0, kAccessAll};
        alignas(PRIVILEGE_SET) BYTE privileges[20] = {};
        DWORD length = sizeof(privileges);
        DWORD granted = 0;
        answer = security::access_check(sd.get(), token.get(), &mapping,
                                        reinterpret_cast<PRIVILEGE_SET*>(privileges), &length, &granted);
    } catch (const hresult_error&) {
        answer = false;
    }
    if (impersonating)
        security::revert_to_self();
    token.close();
    return answer;
}

} // namespace detail

bool is_user_admin()
{
    try {
        return detail::admin_by_membership();
    } catch (const hresult_error&) {
        return detail::admin_by_access_check();
    }
}

bool set_privilege(const wchar_t* name, bool enable)
{
    scoped_handle token;
    try {
        security::open_process_token(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.receive());
        LUID luid = security::lookup_privilege_value(name);

        TOKEN_PRIVILEGES state = {};
        state.PrivilegeCount = 1;
        state.Privileges[0].Luid = luid;
        state.Privileges[0].Attributes = 0;
        TOKEN_PRIVILEGES previous = {};
        DWORD previousLength = sizeof(previous);
        security::adjust_token_privileges(token.get(), &state, sizeof(state), &previous, &previousLength);

        previous.PrivilegeCount = 1;
        previous.Privileges[0].Luid = luid;
        if (enable)
            previous.Privileges[0].Attributes |= SE_PRIVILEGE_ENABLED;
        else
            previous.Privileges[0].Attributes &= ~static_cast<DWORD>(SE_PRIVILEGE_ENABLED);
        security::adjust_token_privileges(token.get(), &previous, previousLength, nullptr, nullptr);
        return true;
    } catch (const hresult_error&) {
        return false;
    }
}

scoped_heap_block build_users_access_acl(PACL old, PSID users, DWORD access)
{
    ACL_SIZE_INFORMATION info = {0, sizeof(ACL), 0};
    if (old)
        info = security::get_acl_size_information(old);

    DWORD size = info.AclBytesInUse + sizeof(ACE_HEADER) + sizeof(ACCESS_MASK) + security::get_length_sid(users);
    scoped_heap_block acl(size);
    security::initialize_acl(acl.as<ACL>(), size);

    // The explicit entries come first; the walk stops at the first inherited
    // one and goes on from there after the Users entry.
    auto copy_others = [&](DWORD& index, bool stopAtInherited) {
        for (; index < info.AceCount; ++index) {
            void* ace = security::get_ace(old, index);
            const ACE_HEADER* header = static_cast<ACE_HEADER*>(ace);
            if (stopAtInherited && (header->AceFlags & INHERITED_ACE))
                return;
            if (!security::equal_sid(ace_sid(ace), users))
                security::add_ace(acl.as<ACL>(), ace, header->AceSize);
        }
    };
    DWORD index = 0;
    copy_others(index, true);
    security::add_access_allowed_ace(acl.as<ACL>(), access, users);
    copy_others(index, false);
    return acl;
}

SECURITY_DESCRIPTOR_CONTROL kept_dacl_control(SECURITY_DESCRIPTOR_CONTROL old)
{
    if (old & SE_DACL_AUTO_INHERITED)
        return SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ;
    if (old & SE_DACL_PROTECTED)
        return SE_DACL_PROTECTED;
    return 0;
}

bool grant_users_access(const wchar_t* path, DWORD access)
{
    try {
        well_known_sid users(well_known_sid::users);
        scoped_heap_block fileSd = read_file_dacl(path);

        BOOL present = FALSE, defaulted = FALSE;
        PACL old = nullptr;
        security::get_security_descriptor_dacl(fileSd.get(), &present, &old, &defaulted);
        scoped_heap_block acl = build_users_access_acl(present ? old : nullptr, users.get(), access);

        security_descriptor sd;
        security::set_security_descriptor_dacl(sd.get(), acl.as<ACL>());
        try {
            SECURITY_DESCRIPTOR_CONTROL kept =
                kept_dacl_control(security::get_security_descriptor_control(fileSd.get()));
            if (kept)
                security::set_security_descriptor_control(sd.get(), kept, kept);
        } catch (const hresult_error& e) {
            if (e.code() != E_NOTIMPL)
                throw;
        }
        security::set_file_security(path, sd.get());
        return true;
    } catch (const hresult_error&) {
        return false;
    }
}

} // namespace tw
