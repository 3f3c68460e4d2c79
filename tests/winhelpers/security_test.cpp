// The security helpers against Wine's real token and file system.
#include "winhelpers/security.h"

#include "winhelpers/scoped_handle.h"
#include "winhelpers/security_functions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

bool running_on_wine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// --- The administrator test ----------------------------------------------------

std::set<std::string> g_asked;

FARPROC without_check_token_membership(HMODULE module, const char* name)
{
    g_asked.insert(name);
    if (std::strcmp(name, "CheckTokenMembership") == 0)
        return nullptr;
    return tw::security::default_export_resolver(module, name);
}

TEST(IsUserAdmin, TrueForWinesAdministratorToken)
{
    EXPECT_TRUE(tw::is_user_admin());
    EXPECT_TRUE(tw::detail::admin_by_membership());
}

TEST(IsUserAdmin, AccessCheckAnswersWhenTheMembershipTestCannotBeBound)
{
    g_asked.clear();
    tw::security::set_export_resolver(without_check_token_membership);
    bool admin = tw::is_user_admin();
    tw::security::set_export_resolver(nullptr);
    EXPECT_TRUE(admin);
    EXPECT_TRUE(g_asked.count("CheckTokenMembership"));
    EXPECT_TRUE(g_asked.count("AccessCheck")) << "the second method ran";
    EXPECT_TRUE(g_asked.count("RevertToSelf"));
    // The impersonation did not outlive the call.
    HANDLE token = nullptr;
    EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_TOKEN));
}

TEST(IsUserAdmin, MissingExportRaisesNotImplemented)
{
    tw::security::set_export_resolver(without_check_token_membership);
    HRESULT code = S_OK;
    try {
        tw::detail::admin_by_membership();
    } catch (const tw::hresult_error& e) {
        code = e.code();
    }
    tw::security::set_export_resolver(nullptr);
    EXPECT_EQ(code, E_NOTIMPL);
}

// --- Privileges ---------------------------------------------------------------

bool privilege_enabled(const wchar_t* name)
{
    tw::scoped_handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()))
        return false;
    LUID luid = {};
    if (!LookupPrivilegeValueW(nullptr, name, &luid))
        return false;
    PRIVILEGE_SET set = {1, PRIVILEGE_SET_ALL_NECESSARY, {{luid, 0}}};
    BOOL result = FALSE;
    return PrivilegeCheck(token.get(), &set, &result) && result;
}

TEST(SetPrivilege, KnownPrivilegeIsSwitchedOnAndOff)
{
    ASSERT_TRUE(tw::set_privilege(L"SeBackupPrivilege", true));
    EXPECT_TRUE(privilege_enabled(L"SeBackupPrivilege"));
    ASSERT_TRUE(tw::set_privilege(L"SeBackupPrivilege", false));
    EXPECT_FALSE(privilege_enabled(L"SeBackupPrivilege"));
}

TEST(SetPrivilege, UnknownPrivilegeNameAnswersFalse)
{
    EXPECT_FALSE(tw::set_privilege(L"SeNoSuchPrivilege", true));
}

TEST(HresultError, Win32ErrorsBecomeFacilityWin32)
{
    EXPECT_EQ(tw::hresult_from_win32_error(ERROR_NOT_ALL_ASSIGNED), static_cast<HRESULT>(0x80070514));
    EXPECT_EQ(tw::hresult_from_win32_error(ERROR_ACCESS_DENIED), static_cast<HRESULT>(0x80070005));
    EXPECT_EQ(tw::hresult_from_win32_error(0), 0);
    EXPECT_EQ(tw::hresult_from_win32_error(0x80004005u), static_cast<HRESULT>(0x80004005));
}

// --- Users access ---------------------------------------------------------------

struct ace_view {
    BYTE type;
    BYTE flags;
    DWORD mask;
    std::string sid;
    bool operator==(const ace_view&) const = default;
};

std::ostream& operator<<(std::ostream& os, const ace_view& a)
{
    return os << "{type " << int(a.type) << " flags " << int(a.flags) << " mask " << std::hex << a.mask << std::dec
              << " " << a.sid << "}";
}

std::string sid_name(PSID sid)
{
    static const std::pair<tw::well_known_sid::kind, const char*> known[] = {
        {tw::well_known_sid::everyone, "Everyone"},
        {tw::well_known_sid::administrators, "Administrators"},
        {tw::well_known_sid::users, "Users"},
    };
    for (const auto& [kind, name] : known) {
        tw::well_known_sid w(kind);
        if (EqualSid(w.get(), sid))
            return name;
    }
    return "other";
}

// The entries of an access list as (type, flags, mask, SID).
std::vector<ace_view> entries_of(PACL acl)
{
    std::vector<ace_view> out;
    for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
        void* ace = nullptr;
        GetAce(acl, i, &ace);
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        out.push_back({allowed->Header.AceType, allowed->Header.AceFlags, allowed->Mask,
                       sid_name(&allowed->SidStart)});
    }
    return out;
}

// The access list of a file; `nullList` tells a null list.
std::vector<ace_view> read_acl(const std::wstring& path, bool* nullList = nullptr)
{
    tw::scoped_heap_block sd = tw::read_file_dacl(path.c_str());
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    GetSecurityDescriptorDacl(sd.get(), &present, &acl, &defaulted);
    if (nullList)
        *nullList = !present || !acl;
    return entries_of(present ? acl : nullptr);
}

// An access list in memory with the allowed and denied entries given.
std::vector<BYTE> make_acl(const std::vector<ace_view>& entries)
{
    tw::well_known_sid everyone(tw::well_known_sid::everyone), admins(tw::well_known_sid::administrators),
        users(tw::well_known_sid::users);
    auto sid_of = [&](const std::string& n) {
        return n == "Everyone" ? everyone.get() : n == "Users" ? users.get() : admins.get();
    };
    std::vector<BYTE> buffer(1024);
    auto* acl = reinterpret_cast<ACL*>(buffer.data());
    EXPECT_TRUE(InitializeAcl(acl, static_cast<DWORD>(buffer.size()), ACL_REVISION));
    for (const ace_view& e : entries) {
        BOOL added = e.type == ACCESS_DENIED_ACE_TYPE
                         ? AddAccessDeniedAceEx(acl, ACL_REVISION, e.flags, e.mask, sid_of(e.sid))
                         : AddAccessAllowedAceEx(acl, ACL_REVISION, e.flags, e.mask, sid_of(e.sid));
        EXPECT_TRUE(added) << e;
    }
    return buffer;
}

void write_acl(const std::wstring& path, const std::vector<ace_view>& entries)
{
    std::vector<BYTE> buffer = make_acl(entries);
    auto* acl = reinterpret_cast<ACL*>(buffer.data());
    SECURITY_DESCRIPTOR sd;
    ASSERT_TRUE(InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE));
    ASSERT_TRUE(SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, &sd));
}

// The new access list, built in memory from old lists of every shape.
struct UsersAclCase {
    const char* what;
    bool nullList;
    std::vector<ace_view> old;
    std::vector<ace_view> expected;
};

constexpr DWORD kGrantMask = 0x0013019F;
constexpr BYTE kAllowed = ACCESS_ALLOWED_ACE_TYPE;
constexpr BYTE kDenied = ACCESS_DENIED_ACE_TYPE;

TEST(UsersAccessAcl, OneUsersEntryAfterTheExplicitAndBeforeTheInheritedOnes)
{
    const UsersAclCase cases[] = {
        {"explicit and inherited entries, Users among both",
         false,
         {{kAllowed, 0, FILE_GENERIC_READ, "Everyone"},
          {kAllowed, 0, FILE_GENERIC_READ, "Users"},
          {kDenied, 0, FILE_WRITE_DATA, "Everyone"},
          {kAllowed, 0, FILE_ALL_ACCESS, "Administrators"},
          {kAllowed, 0, FILE_GENERIC_WRITE, "Users"},
          {kAllowed, INHERITED_ACE, FILE_GENERIC_READ, "Users"},
          {kAllowed, INHERITED_ACE, FILE_ALL_ACCESS, "Everyone"}},
         {{kAllowed, 0, FILE_GENERIC_READ, "Everyone"},
          {kDenied, 0, FILE_WRITE_DATA, "Everyone"},
          {kAllowed, 0, FILE_ALL_ACCESS, "Administrators"},
          {kAllowed, 0, kGrantMask, "Users"},
          {kAllowed, INHERITED_ACE, FILE_ALL_ACCESS, "Everyone"}}},
        {"explicit entries only",
         false,
         {{kAllowed, 0, FILE_ALL_ACCESS, "Administrators"}, {kAllowed, 0, FILE_GENERIC_READ, "Everyone"}},
         {{kAllowed, 0, FILE_ALL_ACCESS, "Administrators"},
          {kAllowed, 0, FILE_GENERIC_READ, "Everyone"},
          {kAllowed, 0, kGrantMask, "Users"}}},
        {"inherited entries only: Users comes first",
         false,
         {{kAllowed, INHERITED_ACE, FILE_ALL_ACCESS, "Administrators"},
          {kAllowed, INHERITED_ACE | CONTAINER_INHERIT_ACE, FILE_GENERIC_READ, "Users"}},
         {{kAllowed, 0, kGrantMask, "Users"}, {kAllowed, INHERITED_ACE, FILE_ALL_ACCESS, "Administrators"}}},
        {"an explicit entry after an inherited one counts as inherited",
         false,
         {{kAllowed, INHERITED_ACE, FILE_ALL_ACCESS, "Administrators"}, {kAllowed, 0, FILE_GENERIC_READ, "Everyone"}},
         {{kAllowed, 0, kGrantMask, "Users"},
          {kAllowed, INHERITED_ACE, FILE_ALL_ACCESS, "Administrators"},
          {kAllowed, 0, FILE_GENERIC_READ, "Everyone"}}},
        {"Users alone, replaced", false, {{kAllowed, 0, FILE_ALL_ACCESS, "Users"}}, {{kAllowed, 0, kGrantMask, "Users"}}},
        {"empty list", false, {}, {{kAllowed, 0, kGrantMask, "Users"}}},
        {"null list", true, {}, {{kAllowed, 0, kGrantMask, "Users"}}},
    };
    tw::well_known_sid users(tw::well_known_sid::users);
    for (const UsersAclCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<BYTE> old = make_acl(c.old);
        PACL oldAcl = c.nullList ? nullptr : reinterpret_cast<ACL*>(old.data());
        tw::scoped_heap_block acl = tw::build_users_access_acl(oldAcl, users.get(), kGrantMask);
        ASSERT_TRUE(IsValidAcl(acl.as<ACL>()));
        EXPECT_EQ(entries_of(acl.as<ACL>()), c.expected);
    }
}

TEST(UsersAccessAcl, EntryWithAnInvalidSidIsAnInvalidArgument)
{
    // An allowed entry whose SID has revision 0.
    struct {
        ACE_HEADER header;
        ACCESS_MASK mask;
        BYTE sid[12];
    } bad = {{ACCESS_ALLOWED_ACE_TYPE, 0, sizeof(bad)}, FILE_GENERIC_READ, {0, 1, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0}};
    std::vector<BYTE> old = make_acl({{kAllowed, 0, FILE_ALL_ACCESS, "Administrators"}});
    auto* oldAcl = reinterpret_cast<ACL*>(old.data());
    ASSERT_TRUE(AddAce(oldAcl, ACL_REVISION, MAXDWORD, &bad, sizeof(bad)));
    ASSERT_EQ(oldAcl->AceCount, 2);
    tw::well_known_sid users(tw::well_known_sid::users);
    HRESULT code = S_OK;
    try {
        tw::build_users_access_acl(oldAcl, users.get(), kGrantMask);
    } catch (const tw::hresult_error& e) {
        code = e.code();
    }
    EXPECT_EQ(code, E_INVALIDARG);
}

TEST(UsersAccessAcl, InheritanceStateKeptFromTheOldDescriptor)
{
    const struct {
        SECURITY_DESCRIPTOR_CONTROL old, kept;
    } cases[] = {
        {0, 0},
        {SE_DACL_PRESENT | SE_SELF_RELATIVE, 0},
        {SE_DACL_AUTO_INHERITED, SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ},
        {SE_DACL_PROTECTED, SE_DACL_PROTECTED},
        {SE_DACL_PROTECTED | SE_DACL_AUTO_INHERITED, SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tw::kept_dacl_control(c.old), c.kept) << std::hex << c.old;
}

// The whole operation on a real file. Wine keeps a file's security in an
// extended attribute; where the file system has none, it reads back a list
// derived from the Unix mode, so these cases show their point on Windows
// (the list itself is built and tested in memory above).
class GrantUsersAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        path = L"C:\\tw-grant-" + std::wstring(name, name + strlen(name)) + L".txt";
        tw::scoped_handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file.valid());
    }
    std::wstring path;
    static constexpr DWORD kMask = 0x0013019F;
};

TEST_F(GrantUsersAccess, OneUsersEntryAfterTheExplicitAndBeforeTheInheritedOnes)
{
    const BYTE allowed = ACCESS_ALLOWED_ACE_TYPE;
    write_acl(path, {{allowed, 0, FILE_GENERIC_READ, "Everyone"},
                     {allowed, 0, FILE_GENERIC_READ, "Users"},
                     {allowed, 0, FILE_ALL_ACCESS, "Administrators"},
                     {allowed, 0, FILE_GENERIC_WRITE, "Users"},
                     {allowed, INHERITED_ACE, FILE_GENERIC_READ, "Users"},
                     {allowed, INHERITED_ACE, FILE_ALL_ACCESS, "Everyone"}});
    std::vector<ace_view> before = read_acl(path);
    if (running_on_wine() && before.size() != 6) {
        // Wine keeps a file's security in an extended attribute; where the
        // file system has none, it derives the list from the Unix mode and
        // cannot hold these entries. Windows always keeps them.
        GTEST_SKIP() << "this file system does not keep access lists under Wine";
    }
    ASSERT_TRUE(tw::grant_users_access(path.c_str(), kMask));
    std::vector<ace_view> expected = {{allowed, 0, FILE_GENERIC_READ, "Everyone"},
                                      {allowed, 0, FILE_ALL_ACCESS, "Administrators"},
                                      {allowed, 0, kMask, "Users"},
                                      {allowed, INHERITED_ACE, FILE_ALL_ACCESS, "Everyone"}};
    EXPECT_EQ(read_acl(path), expected);
}

TEST_F(GrantUsersAccess, NullListBecomesTheUsersEntryAlone)
{
    SECURITY_DESCRIPTOR sd;
    ASSERT_TRUE(InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE));
    ASSERT_TRUE(SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, &sd));
    bool nullList = false;
    read_acl(path, &nullList);
    if (running_on_wine() && !nullList)
        GTEST_SKIP() << "this file system does not keep a null access list under Wine";
    ASSERT_TRUE(tw::grant_users_access(path.c_str(), kMask));
    std::vector<ace_view> expected = {{ACCESS_ALLOWED_ACE_TYPE, 0, kMask, "Users"}};
    EXPECT_EQ(read_acl(path), expected);
}

TEST(GrantUsersAccessMissing, MissingPathAnswersFalseAndCreatesNothing)
{
    const wchar_t* path = L"C:\\tw-grant-missing\\nothing.txt";
    EXPECT_FALSE(tw::grant_users_access(path, 0x0013019F));
    EXPECT_EQ(GetFileAttributesW(path), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(L"C:\\tw-grant-missing"), INVALID_FILE_ATTRIBUTES);
}

// --- Building blocks ------------------------------------------------------------

TEST(SingleAceAcl, HoldsExactlyOneAllowedEntryOfTheSidAndMask)
{
    tw::well_known_sid users(tw::well_known_sid::users);
    tw::scoped_heap_block acl = tw::make_single_ace_acl(users.get(), 0x1F0001);
    EXPECT_EQ(acl.size(), GetLengthSid(users.get()) + 16u);
    auto* list = acl.as<ACL>();
    ASSERT_TRUE(IsValidAcl(list));
    ASSERT_EQ(list->AceCount, 1);
    void* ace = nullptr;
    ASSERT_TRUE(GetAce(list, 0, &ace));
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(allowed->Header.AceFlags, 0);
    EXPECT_EQ(allowed->Mask, 0x1F0001u);
    EXPECT_TRUE(EqualSid(&allowed->SidStart, users.get()));
}

TEST(WellKnownSid, KindsAreTheirSids)
{
    struct {
        tw::well_known_sid::kind kind;
        WELL_KNOWN_SID_TYPE type;
    } cases[] = {{tw::well_known_sid::everyone, WinWorldSid},
                 {tw::well_known_sid::administrators, WinBuiltinAdministratorsSid},
                 {tw::well_known_sid::users, WinBuiltinUsersSid}};
    for (const auto& c : cases) {
        tw::well_known_sid sid(c.kind);
        EXPECT_TRUE(IsWellKnownSid(sid.get(), c.type)) << c.type;
    }
}

} // namespace
