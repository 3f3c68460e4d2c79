#pragma once
// The Windows security functions of advapi32, bound by name on first use from
// a module obtained from the system folder. Each raises an hresult_error on
// failure: E_NOTIMPL when the export is missing, E_UNEXPECTED when the module
// cannot be had, otherwise the HRESULT of the last Win32 error.
#include <windows.h>

namespace tw::security {

// Looks an export up; the default is GetProcAddress. Tests put another one in
// place to take functions away (the table forgets what it had bound).
using export_resolver = FARPROC (*)(HMODULE module, const char* name);
void set_export_resolver(export_resolver resolver);
FARPROC default_export_resolver(HMODULE module, const char* name);

void open_process_token(HANDLE process, DWORD access, HANDLE* token);
// TOKEN_QUERY; a thread without a token of its own gives the process token.
void open_thread_token(HANDLE thread, BOOL openAsSelf, HANDLE* token);
LUID lookup_privilege_value(const wchar_t* name);
// Fails also when the call returns but not every privilege was assigned.
void adjust_token_privileges(HANDLE token, TOKEN_PRIVILEGES* state, DWORD length, TOKEN_PRIVILEGES* previous,
                             DWORD* returnLength);

PSID allocate_and_initialize_sid(const SID_IDENTIFIER_AUTHORITY& authority, BYTE count, DWORD sub0, DWORD sub1);
// Frees nothing (and raises nothing) when FreeSid cannot be bound.
void free_sid(PSID sid);
bool is_valid_sid(PSID sid);
DWORD get_length_sid(PSID sid);
bool equal_sid(PSID a, PSID b);

void initialize_acl(PACL acl, DWORD length);
void add_access_allowed_ace(PACL acl, DWORD mask, PSID sid);
void add_ace(PACL acl, void* ace, DWORD length);
void* get_ace(PACL acl, DWORD index);
ACL_SIZE_INFORMATION get_acl_size_information(PACL acl);

void initialize_security_descriptor(PSECURITY_DESCRIPTOR sd);
void set_security_descriptor_dacl(PSECURITY_DESCRIPTOR sd, PACL dacl);
void set_security_descriptor_owner(PSECURITY_DESCRIPTOR sd, PSID owner);
void set_security_descriptor_group(PSECURITY_DESCRIPTOR sd, PSID group);
void get_security_descriptor_dacl(PSECURITY_DESCRIPTOR sd, BOOL* present, PACL* dacl, BOOL* defaulted);
SECURITY_DESCRIPTOR_CONTROL get_security_descriptor_control(PSECURITY_DESCRIPTOR sd);
void set_security_descriptor_control(PSECURITY_DESCRIPTOR sd, SECURITY_DESCRIPTOR_CONTROL mask,
                                     SECURITY_DESCRIPTOR_CONTROL bits);
bool is_valid_security_descriptor(PSECURITY_DESCRIPTOR sd);

bool check_token_membership(HANDLE token, PSID sid);
// Desired access 1; answers the access status.
bool access_check(PSECURITY_DESCRIPTOR sd, HANDLE token, GENERIC_MAPPING* mapping, PRIVILEGE_SET* privileges,
                  DWORD* privilegesLength, DWORD* granted);

// DACL only. With a null buffer, ERROR_INSUFFICIENT_BUFFER is the size answer.
void get_file_security(const wchar_t* path, PSECURITY_DESCRIPTOR sd, DWORD length, DWORD* needed);
void set_file_security(const wchar_t* path, PSECURITY_DESCRIPTOR sd);

void impersonate_self();
// Never raises: a missing export sets ERROR_CALL_NOT_IMPLEMENTED and answers FALSE.
BOOL revert_to_self();

} // namespace tw::security
