#pragma once
// The security corner of the helper layer: the administrator test, switching
// a privilege, granting the Users group access to a file, and the small
// security objects that named kernel objects are given their rights from.
#include "winhelpers/scoped_heap_block.h"

#include <windows.h>

namespace tw {

// True when the calling thread's effective token is a member of
// BUILTIN\Administrators: the membership test, or, when that cannot run, an
// access check against a descriptor that grants only administrators.
bool is_user_admin();

// Switches a privilege of the process token ("SeBackupPrivilege") on or off.
// False when the name is unknown or the token does not hold the privilege.
bool set_privilege(const wchar_t* name, bool enable);

// Replaces the explicit entries of the Users group in the access list of a
// file or folder by one entry with `access`, after the other explicit entries
// and before the inherited ones. False, with nothing changed, on any failure.
bool grant_users_access(const wchar_t* path, DWORD access);

// The access list that grant_users_access writes, built from the object's
// list `old` (null: a null list): its explicit entries in order without those
// of `users`, one access-allowed entry of `users` with `access`, then its
// inherited entries without those of `users`. Raises an hresult_error when an
// entry's SID is not valid or a security function fails.
scoped_heap_block build_users_access_acl(PACL old, PSID users, DWORD access);

// The inheritance state the new descriptor keeps from the old one's control
// bits: auto-inherited (with the request to propagate it), else protected,
// else nothing. The bits are both the mask and the value to set.
SECURITY_DESCRIPTOR_CONTROL kept_dacl_control(SECURITY_DESCRIPTOR_CONTROL old);

// One SID of a fixed kind, freed with the holder. Construction raises an
// hresult_error when the SID cannot be built.
class well_known_sid {
public:
    enum kind { everyone, administrators, users };
    explicit well_known_sid(kind k);
    ~well_known_sid();
    well_known_sid(const well_known_sid&) = delete;
    well_known_sid& operator=(const well_known_sid&) = delete;

    PSID get() const { return sid_; }

private:
    PSID sid_ = nullptr;
};

// An access list of one access-allowed entry for `sid` with `access`.
scoped_heap_block make_single_ace_acl(PSID sid, DWORD access);

// An absolute security descriptor, initialised; the access list and SIDs put
// into it stay owned by their holders, which must outlive it.
class security_descriptor {
public:
    security_descriptor();
    PSECURITY_DESCRIPTOR get() const { return block_.get(); }

private:
    scoped_heap_block block_;
};

// The self-relative descriptor of a file or folder with its access list only.
scoped_heap_block read_file_dacl(const wchar_t* path);

namespace detail {
// The two methods of is_user_admin, apart for tests. The first raises.
bool admin_by_membership();
bool admin_by_access_check();
} // namespace detail

} // namespace tw
