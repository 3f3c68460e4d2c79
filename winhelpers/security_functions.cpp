#include "winhelpers/security_functions.h"

#include "winhelpers/hresult_error.h"
#include "winhelpers/system_library.h"

namespace tw::security {
namespace {

enum fn {
    f_OpenProcessToken,
    f_OpenThreadToken,
    f_LookupPrivilegeValueW,
    f_AdjustTokenPrivileges,
    f_AllocateAndInitializeSid,
    f_FreeSid,
    f_IsValidSid,
    f_GetLengthSid,
    f_EqualSid,
    f_InitializeAcl,
    f_AddAccessAllowedAce,
    f_AddAce,
    f_GetAce,
    f_GetAclInformation,
    f_InitializeSecurityDescriptor,
    f_SetSecurityDescriptorDacl,
    f_SetSecurityDescriptorOwner,
    f_SetSecurityDescriptorGroup,
    f_GetSecurityDescriptorDacl,
    f_GetSecurityDescriptorControl,
    f_SetSecurityDescriptorControl,
    f_IsValidSecurityDescriptor,
    f_CheckTokenMembership,
    f_AccessCheck,
    f_GetFileSecurityW,
    f_SetFileSecurityW,
    f_ImpersonateSelf,
    f_RevertToSelf,
    f_count
};

const char* const kNames[f_count] = {
    "OpenProcessToken", "OpenThreadToken", "LookupPrivilegeValueW", "AdjustTokenPrivileges",
    "AllocateAndInitializeSid", "FreeSid", "IsValidSid", "GetLengthSid", "EqualSid", "InitializeAcl",
    "AddAccessAllowedAce", "AddAce", "GetAce", "GetAclInformation", "InitializeSecurityDescriptor",
    "SetSecurityDescriptorDacl", "SetSecurityDescriptorOwner", "SetSecurityDescriptorGroup",
    "GetSecurityDescriptorDacl", "GetSecurityDescriptorControl", "SetSecurityDescriptorControl",
    "IsValidSecurityDescriptor", "CheckTokenMembership", "AccessCheck", "GetFileSecurityW",
    "SetFileSecurityW", "ImpersonateSelf", "RevertToSelf",
};

struct function_table {
    HMODULE module = nullptr;
    FARPROC entries[f_count] = {};
    export_resolver resolve = default_export_resolver;
};

function_table& table()
{
    static function_table t;
    return t;
}

HMODULE security_module()
{
    function_table& t = table();
    if (!t.module)
        t.module = GetModuleHandleW(L"advapi32.dll");
    if (!t.module)
        t.module = load_system_library(L"advapi32.dll");
    if (!t.module)
        raise_hresult(E_UNEXPECTED);
    return t.module;
}

// The bound address of one export, as the function type it has.
template <typename F> F bound(fn which)
{
    function_table& t = table();
    if (!t.entries[which]) {
        HMODULE module = security_module();
        t.entries[which] = t.resolve(module, kNames[which]);
        if (!t.entries[which])
            raise_hresult(E_NOTIMPL);
    }
    return reinterpret_cast<F>(reinterpret_cast<void*>(t.entries[which]));
}

void check(BOOL ok)
{
    if (!ok)
        raise_last_error();
}

} // namespace

FARPROC default_export_resolver(HMODULE module, const char* name)
{
    return GetProcAddress(module, name);
}

void set_export_resolver(export_resolver resolver)
{
    function_table& t = table();
    t.resolve = resolver ? resolver : default_export_resolver;
    for (FARPROC& entry : t.entries)
        entry = nullptr;
}

void open_process_token(HANDLE process, DWORD access, HANDLE* token)
{
    check(bound<decltype(&OpenProcessToken)>(f_OpenProcessToken)(process, access, token));
}

void open_thread_token(HANDLE thread, BOOL openAsSelf, HANDLE* token)
{
    if (bound<decltype(&OpenThreadToken)>(f_OpenThreadToken)(thread, TOKEN_QUERY, openAsSelf, token))
        return;
    if (GetLastError() != ERROR_NO_TOKEN)
        raise_last_error();
    open_process_token(GetCurrentProcess(), TOKEN_QUERY, token);
}

LUID lookup_privilege_value(const wchar_t* name)
{
    LUID luid = {};
    check(bound<decltype(&LookupPrivilegeValueW)>(f_LookupPrivilegeValueW)(nullptr, name, &luid));
    return luid;
}

void adjust_token_privileges(HANDLE token, TOKEN_PRIVILEGES* state, DWORD length, TOKEN_PRIVILEGES* previous,
                             DWORD* returnLength)
{
    auto adjust = bound<decltype(&AdjustTokenPrivileges)>(f_AdjustTokenPrivileges);
    SetLastError(ERROR_SUCCESS);
    BOOL ok = adjust(token, FALSE, state, length, previous, returnLength);
    if (!ok || GetLastError() != ERROR_SUCCESS)
        raise_last_error();
}

PSID allocate_and_initialize_sid(const SID_IDENTIFIER_AUTHORITY& authority, BYTE count, DWORD sub0, DWORD sub1)
{
    PSID sid = nullptr;
    auto allocate = bound<decltype(&AllocateAndInitializeSid)>(f_AllocateAndInitializeSid);
    check(allocate(const_cast<SID_IDENTIFIER_AUTHORITY*>(&authority), count, sub0, sub1, 0, 0, 0, 0, 0, 0, &sid));
    return sid;
}

void free_sid(PSID sid)
{
    try {
        bound<decltype(&FreeSid)>(f_FreeSid)(sid);
    } catch (const hresult_error&) {
        // Without FreeSid nothing can be freed.
    }
}

bool is_valid_sid(PSID sid)
{
    if (!sid)
        return false;
    try {
        return bound<decltype(&IsValidSid)>(f_IsValidSid)(sid) != FALSE;
    } catch (const hresult_error&) {
        return false;
    }
}

DWORD get_length_sid(PSID sid)
{
    if (!is_valid_sid(sid))
        raise_hresult(E_INVALIDARG);
    return bound<decltype(&GetLengthSid)>(f_GetLengthSid)(sid);
}

bool equal_sid(PSID a, PSID b)
{
    if (!is_valid_sid(a) || !is_valid_sid(b))
        raise_hresult(E_INVALIDARG);
    return bound<decltype(&EqualSid)>(f_EqualSid)(a, b) != FALSE;
}

void initialize_acl(PACL acl, DWORD length)
{
    check(bound<decltype(&InitializeAcl)>(f_InitializeAcl)(acl, length, ACL_REVISION));
}

void add_access_allowed_ace(PACL acl, DWORD mask, PSID sid)
{
    check(bound<decltype(&AddAccessAllowedAce)>(f_AddAccessAllowedAce)(acl, ACL_REVISION, mask, sid));
}

void add_ace(PACL acl, void* ace, DWORD length)
{
    check(bound<decltype(&AddAce)>(f_AddAce)(acl, ACL_REVISION, MAXDWORD, ace, length));
}

void* get_ace(PACL acl, DWORD index)
{
    void* ace = nullptr;
    check(bound<decltype(&GetAce)>(f_GetAce)(acl, index, &ace));
    return ace;
}

ACL_SIZE_INFORMATION get_acl_size_information(PACL acl)
{
    ACL_SIZE_INFORMATION info = {};
    check(bound<decltype(&GetAclInformation)>(f_GetAclInformation)(acl, &info, sizeof(info), AclSizeInformation));
    return info;
}

void initialize_security_descriptor(PSECURITY_DESCRIPTOR sd)
{
    check(bound<decltype(&InitializeSecurityDescriptor)>(f_InitializeSecurityDescriptor)(
        sd, SECURITY_DESCRIPTOR_REVISION));
}

void set_security_descriptor_dacl(PSECURITY_DESCRIPTOR sd, PACL dacl)
{
    check(bound<decltype(&SetSecurityDescriptorDacl)>(f_SetSecurityDescriptorDacl)(sd, TRUE, dacl, FALSE));
}

void set_security_descriptor_owner(PSECURITY_DESCRIPTOR sd, PSID owner)
{
    check(bound<decltype(&SetSecurityDescriptorOwner)>(f_SetSecurityDescriptorOwner)(sd, owner, FALSE));
}

void set_security_descriptor_group(PSECURITY_DESCRIPTOR sd, PSID group)
{
    check(bound<decltype(&SetSecurityDescriptorGroup)>(f_SetSecurityDescriptorGroup)(sd, group, FALSE));
}

void get_security_descriptor_dacl(PSECURITY_DESCRIPTOR sd, BOOL* present, PACL* dacl, BOOL* defaulted)
{
    check(bound<decltype(&GetSecurityDescriptorDacl)>(f_GetSecurityDescriptorDacl)(sd, present, dacl, defaulted));
}

SECURITY_DESCRIPTOR_CONTROL get_security_descriptor_control(PSECURITY_DESCRIPTOR sd)
{
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    check(bound<decltype(&GetSecurityDescriptorControl)>(f_GetSecurityDescriptorControl)(sd, &control, &revision));
    return control;
}

void set_security_descriptor_control(PSECURITY_DESCRIPTOR sd, SECURITY_DESCRIPTOR_CONTROL mask,
                                     SECURITY_DESCRIPTOR_CONTROL bits)
{
    check(bound<decltype(&SetSecurityDescriptorControl)>(f_SetSecurityDescriptorControl)(sd, mask, bits));
}

bool is_valid_security_descriptor(PSECURITY_DESCRIPTOR sd)
{
    try {
        return bound<decltype(&IsValidSecurityDescriptor)>(f_IsValidSecurityDescriptor)(sd) != FALSE;
    } catch (const hresult_error&) {
        return false;
    }
}

bool check_token_membership(HANDLE token, PSID sid)
{
    BOOL member = FALSE;
    check(bound<decltype(&CheckTokenMembership)>(f_CheckTokenMembership)(token, sid, &member));
    return member != FALSE;
}

bool access_check(PSECURITY_DESCRIPTOR sd, HANDLE token, GENERIC_MAPPING* mapping, PRIVILEGE_SET* privileges,
                  DWORD* privilegesLength, DWORD* granted)
{
    BOOL status = FALSE;
    check(bound<decltype(&AccessCheck)>(f_AccessCheck)(sd, token, 1, mapping, privileges, privilegesLength, granted,
                                                      &status));
    return status != FALSE;
}

void get_file_security(const wchar_t* path, PSECURITY_DESCRIPTOR sd, DWORD length, DWORD* needed)
{
    auto get = bound<decltype(&GetFileSecurityW)>(f_GetFileSecurityW);
    if (get(path, DACL_SECURITY_INFORMATION, sd, length, needed))
        return;
    if (!sd && GetLastError() == ERROR_INSUFFICIENT_BUFFER)
        return;
    raise_last_error();
}

void set_file_security(const wchar_t* path, PSECURITY_DESCRIPTOR sd)
{
    check(bound<decltype(&SetFileSecurityW)>(f_SetFileSecurityW)(path, DACL_SECURITY_INFORMATION, sd));
}

void impersonate_self()
{
    check(bound<decltype(&ImpersonateSelf)>(f_ImpersonateSelf)(SecurityImpersonation));
}

BOOL revert_to_self()
{
    try {
        return bound<decltype(&RevertToSelf)>(f_RevertToSelf)();
    } catch (const hresult_error&) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
}

} // namespace tw::security
