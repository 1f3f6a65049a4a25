#include "desktop/windows/installer/service/access_rights.h"

#include <windows.h>

#include <aclapi.h>
#include <lmcons.h>
#include <sddl.h>
#include <shlwapi.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/test/test_registry_tree.h"
#include "gtest/gtest.h"

// Wine keeps the security descriptors of registry keys, so the grant and the
// restore are shown on keys. What Wine cannot show: it makes every user an
// administrator and lets every privilege be enabled, so a user without
// SeTakeOwnershipPrivilege, or one who may not read a DACL, does not exist
// there; and it does not keep DACL changes of files.

namespace installer {
namespace {

constexpr DWORD kDenyMask =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK;  // 0x26

struct LocalSid {
  explicit LocalSid(const wchar_t* text) { ConvertStringSidToSidW(text, &sid); }
  ~LocalSid() { LocalFree(sid); }
  PSID sid = nullptr;
};

std::vector<BYTE> CurrentUserSid() {
  HANDLE token;
  std::vector<BYTE> sid;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
    return sid;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    sid.assign(static_cast<BYTE*>(user),
               static_cast<BYTE*>(user) + GetLengthSid(user));
  }
  CloseHandle(token);
  return sid;
}

bool IsMember(PSID sid) {
  BOOL member = FALSE;
  return CheckTokenMembership(nullptr, sid, &member) && member;
}

// The access mask of the first entry of |type| for |sid|, or -1.
int64_t FindAce(PACL acl, BYTE type, PSID sid) {
  for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
    ACE_HEADER* header;
    if (!GetAce(acl, i, reinterpret_cast<void**>(&header)) ||
        header->AceType != type) {
      continue;
    }
    // Allowed and denied entries share one layout.
    auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    if (EqualSid(&ace->SidStart, sid))
      return ace->Mask;
  }
  return -1;
}

class AccessRightsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_path_ = L"Software\\TavrinTest" +
                 std::to_wstring(GetCurrentProcessId()) + L"_" +
                 std::to_wstring(GetTickCount());
    key_path_ = root_path_ + L"\\Key";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, key_path_.c_str(), 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    GetRegistryObjectName(HKEY_CURRENT_USER, key_path_, &name_);
  }

  void TearDown() override {
    // A null DACL opens the key to everybody again, whatever a test left.
    SetNamedSecurityInfoW(name_.data(), SE_REGISTRY_KEY,
                          DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                          nullptr);
    EXPECT_EQ(ERROR_SUCCESS,
              SHDeleteKeyW(HKEY_CURRENT_USER, root_path_.c_str()));
  }

  // Gives the key exactly these entries, none inherited. No entries make an
  // empty DACL, which allows nothing.
  void SetDacl(std::vector<EXPLICIT_ACCESS_W> entries) {
    ACL empty;
    ASSERT_TRUE(InitializeAcl(&empty, sizeof(empty), ACL_REVISION));
    PACL acl = nullptr;
    if (!entries.empty()) {
      ASSERT_EQ(ERROR_SUCCESS,
                SetEntriesInAclW(static_cast<ULONG>(entries.size()),
                                 entries.data(), nullptr, &acl));
    }
    EXPECT_EQ(
        ERROR_SUCCESS,
        SetNamedSecurityInfoW(
            name_.data(), SE_REGISTRY_KEY,
            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
            nullptr, nullptr, acl ? acl : &empty, nullptr));
    if (acl)
      LocalFree(acl);
  }

  static EXPLICIT_ACCESS_W Entry(ACCESS_MODE mode, DWORD mask, PSID sid) {
    EXPLICIT_ACCESS_W entry = {};
    entry.grfAccessPermissions = mask;
    entry.grfAccessMode = mode;
    entry.grfInheritance = NO_INHERITANCE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = TRUSTEE_IS_UNKNOWN;
    entry.Trustee.ptstrName = static_cast<LPWSTR>(sid);
    return entry;
  }

  // The key's DACL as bytes; empty for a null DACL.
  std::vector<BYTE> DaclBytes() { return ReadRegistryDaclBytes(name_); }

  bool OwnerIs(PSID sid) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(name_.data(), SE_REGISTRY_KEY,
                              OWNER_SECURITY_INFORMATION, &owner, nullptr,
                              nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
      return false;
    }
    const bool equal = EqualSid(owner, sid);
    LocalFree(descriptor);
    return equal;
  }

  std::wstring root_path_;
  std::wstring key_path_;
  std::wstring name_;
  LocalSid everyone_{L"S-1-1-0"};
  LocalSid guests_{L"S-1-5-32-546"};
};

// The earlier DACL is kept and written back exactly; the slot is used up.
TEST_F(AccessRightsTest, GrantThenRestoreGivesBackTheEarlierDacl) {
  SetDacl({Entry(GRANT_ACCESS, KEY_READ, everyone_.sid)});
  const std::vector<BYTE> before = DaclBytes();
  ASSERT_FALSE(before.empty());
  std::vector<BYTE> user = CurrentUserSid();
  ASSERT_FALSE(user.empty());

  std::unique_ptr<SavedSecurity> saved;
  ASSERT_TRUE(GrantCurrentUserAccess(name_, SE_REGISTRY_KEY, KEY_CREATE_SUB_KEY,
                                     false, &saved));
  ASSERT_TRUE(saved);
  EXPECT_EQ(name_, saved->object_name());
  EXPECT_EQ(SE_REGISTRY_KEY, saved->object_type());
  std::vector<BYTE> granted = DaclBytes();
  EXPECT_NE(before, granted);
  EXPECT_EQ(KEY_CREATE_SUB_KEY, FindAce(reinterpret_cast<PACL>(granted.data()),
                                        ACCESS_ALLOWED_ACE_TYPE, user.data()));
  EXPECT_EQ(KEY_READ, FindAce(reinterpret_cast<PACL>(granted.data()),
                              ACCESS_ALLOWED_ACE_TYPE, everyone_.sid));

  EXPECT_TRUE(RestoreSecurity(&saved));
  EXPECT_FALSE(saved);
  EXPECT_EQ(before, DaclBytes());
  EXPECT_FALSE(RestoreSecurity(&saved));
}

// Deny entries for a group the user is in lose exactly the granted bits;
// those for other groups stay as they were. The access test agrees.
TEST_F(AccessRightsTest, DenyEntriesOfTheUsersGroupsAreReduced) {
  ASSERT_TRUE(IsMember(everyone_.sid));
  ASSERT_FALSE(IsMember(guests_.sid));
  SetDacl({Entry(DENY_ACCESS, kDenyMask, everyone_.sid),
           Entry(DENY_ACCESS, kDenyMask, guests_.sid),
           Entry(GRANT_ACCESS, KEY_READ, everyone_.sid)});
  const DWORD wanted = KEY_QUERY_VALUE | KEY_SET_VALUE;
  EXPECT_FALSE(HasAccess(name_, SE_REGISTRY_KEY, wanted));

  std::unique_ptr<SavedSecurity> saved;
  ASSERT_TRUE(
      GrantCurrentUserAccess(name_, SE_REGISTRY_KEY, wanted, true, &saved));
  EXPECT_FALSE(saved);

  std::vector<BYTE> dacl = DaclBytes();
  PACL acl = reinterpret_cast<PACL>(dacl.data());
  std::vector<BYTE> user = CurrentUserSid();
  EXPECT_EQ(kDenyMask & ~wanted,
            FindAce(acl, ACCESS_DENIED_ACE_TYPE, everyone_.sid));
  EXPECT_EQ(kDenyMask, FindAce(acl, ACCESS_DENIED_ACE_TYPE, guests_.sid));
  EXPECT_EQ(KEY_READ, FindAce(acl, ACCESS_ALLOWED_ACE_TYPE, everyone_.sid));
  EXPECT_EQ(wanted, FindAce(acl, ACCESS_ALLOWED_ACE_TYPE, user.data()));
  EXPECT_TRUE(HasAccess(name_, SE_REGISTRY_KEY, wanted));
  EXPECT_FALSE(HasAccess(name_, SE_REGISTRY_KEY, KEY_CREATE_SUB_KEY));
}

// A DACL without entries still gets the one new entry.
TEST_F(AccessRightsTest, EmptyDaclGetsTheGrantEntry) {
  SetDacl({});
  EXPECT_FALSE(HasAccess(name_, SE_REGISTRY_KEY, KEY_QUERY_VALUE));
  std::unique_ptr<SavedSecurity> saved;
  ASSERT_TRUE(GrantCurrentUserAccess(name_, SE_REGISTRY_KEY, KEY_QUERY_VALUE,
                                     false, &saved));
  std::vector<BYTE> dacl = DaclBytes();
  PACL acl = reinterpret_cast<PACL>(dacl.data());
  ASSERT_EQ(1u, acl->AceCount);
  std::vector<BYTE> user = CurrentUserSid();
  EXPECT_EQ(KEY_QUERY_VALUE,
            FindAce(acl, ACCESS_ALLOWED_ACE_TYPE, user.data()));
  EXPECT_TRUE(HasAccess(name_, SE_REGISTRY_KEY, KEY_QUERY_VALUE));

  EXPECT_TRUE(RestoreSecurity(&saved));
  EXPECT_FALSE(HasAccess(name_, SE_REGISTRY_KEY, KEY_QUERY_VALUE));
}

// A failed grant leaves the slot empty even when it held a record.
TEST_F(AccessRightsTest, FailedGrantEmptiesTheSlot) {
  std::unique_ptr<SavedSecurity> saved;
  ASSERT_TRUE(GrantCurrentUserAccess(name_, SE_REGISTRY_KEY, KEY_QUERY_VALUE,
                                     false, &saved));
  ASSERT_TRUE(saved);
  EXPECT_FALSE(GrantCurrentUserAccess(name_ + L"\\Missing", SE_REGISTRY_KEY,
                                      KEY_QUERY_VALUE, false, &saved));
  EXPECT_FALSE(saved);
}

// Only files and registry keys are understood: the same key asked for as a
// 32-bit view key gives false although it is readable.
TEST_F(AccessRightsTest, HasAccessUnderstandsFilesAndKeysOnly) {
  EXPECT_TRUE(HasAccess(name_, SE_REGISTRY_KEY, KEY_QUERY_VALUE));
  EXPECT_FALSE(HasAccess(name_, SE_REGISTRY_WOW64_32KEY, KEY_QUERY_VALUE));
  EXPECT_FALSE(HasAccess(name_, SE_KERNEL_OBJECT, KEY_QUERY_VALUE));
  EXPECT_FALSE(
      HasAccess(name_ + L"\\Missing", SE_REGISTRY_KEY, KEY_QUERY_VALUE));

  wchar_t temp_folder[MAX_PATH];
  ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp_folder));
  wchar_t file[MAX_PATH];
  ASSERT_NE(0u, GetTempFileNameW(temp_folder, L"tav", 0, file));
  EXPECT_TRUE(HasAccess(file, SE_FILE_OBJECT, FILE_GENERIC_WRITE | DELETE));
  DeleteFileW(file);
}

// An entry may grant generic rights; the check maps them with the key
// mapping, so GENERIC_READ gives KEY_READ and nothing more. (Wine drops DACL
// changes of files, so the file mapping cannot be shown the same way.)
TEST_F(AccessRightsTest, GenericRightsOfEntriesAreMappedForKeys) {
  std::vector<BYTE> user = CurrentUserSid();
  SetDacl({Entry(GRANT_ACCESS, GENERIC_READ, user.data())});
  std::vector<BYTE> dacl = DaclBytes();
  // A system that maps the entry when the DACL is set never asks for our
  // mapping.
  if (FindAce(reinterpret_cast<PACL>(dacl.data()), ACCESS_ALLOWED_ACE_TYPE,
              user.data()) != GENERIC_READ) {
    GTEST_SKIP() << "the system mapped the entry's generic rights itself";
  }
  // KEY_NOTIFY is in KEY_READ only, not in any file right GENERIC_READ maps
  // to; FILE_READ_ATTRIBUTES is in FILE_GENERIC_READ only. (SYNCHRONIZE,
  // also a file read right, cannot tell the two apart here: Wine grants it
  // to the owner, and the user owns the key through the administrators.)
  EXPECT_TRUE(HasAccess(name_, SE_REGISTRY_KEY,
                        KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY));
  EXPECT_FALSE(HasAccess(name_, SE_REGISTRY_KEY, KEY_SET_VALUE));
  EXPECT_FALSE(HasAccess(name_, SE_REGISTRY_KEY, FILE_READ_ATTRIBUTES));
}

// Wine makes the administrators the owner of a new key, so the key is given
// to the user first.
TEST_F(AccessRightsTest, TakeOwnershipGivesTheKeyToAdministrators) {
  LocalSid administrators(L"S-1-5-32-544");
  std::vector<BYTE> user = CurrentUserSid();
  ASSERT_EQ(ERROR_SUCCESS,
            SetNamedSecurityInfoW(name_.data(), SE_REGISTRY_KEY,
                                  OWNER_SECURITY_INFORMATION, user.data(),
                                  nullptr, nullptr, nullptr));
  ASSERT_TRUE(OwnerIs(user.data()));
  ASSERT_TRUE(TakeOwnership(name_, SE_REGISTRY_KEY));
  EXPECT_TRUE(OwnerIs(administrators.sid));
}

TEST(AccessRightsNamesTest, RegistryObjectNames) {
  struct {
    HKEY root;
    const wchar_t* expected;
  } cases[] = {
      {HKEY_CLASSES_ROOT, L"CLASSES_ROOT\\Software\\Ulvena"},
      {HKEY_CURRENT_USER, L"CURRENT_USER\\Software\\Ulvena"},
      {HKEY_LOCAL_MACHINE, L"MACHINE\\Software\\Ulvena"},
      {HKEY_USERS, L"USERS\\Software\\Ulvena"},
      {HKEY_CURRENT_CONFIG, L"Software\\Ulvena"},
  };
  for (const auto& c : cases) {
    std::wstring name;
    GetRegistryObjectName(c.root, L"Software\\Ulvena", &name);
    EXPECT_EQ(c.expected, name);
  }
}

// Whether the process token holds |name| enabled.
bool PrivilegeEnabled(const wchar_t* name) {
  LUID luid;
  HANDLE token;
  if (!LookupPrivilegeValueW(nullptr, name, &luid) ||
      !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return false;
  }
  DWORD size = 0;
  GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  bool enabled = false;
  if (GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size)) {
    const auto* privileges =
        reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
      const LUID& entry = privileges->Privileges[i].Luid;
      if (entry.LowPart == luid.LowPart && entry.HighPart == luid.HighPart)
        enabled = privileges->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED;
    }
  }
  CloseHandle(token);
  return enabled;
}

// Whether the token's group list holds the Administrators group enabled: the
// same question IsUserAdmin answers, asked another way.
bool TokenListsAdministrators() {
  LocalSid administrators(L"S-1-5-32-544");
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
    return false;
  DWORD size = 0;
  GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  bool listed = false;
  if (GetTokenInformation(token, TokenGroups, buffer.data(), size, &size)) {
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
      if (EqualSid(groups->Groups[i].Sid, administrators.sid) &&
          (groups->Groups[i].Attributes & SE_GROUP_ENABLED)) {
        listed = true;
      }
    }
  }
  CloseHandle(token);
  return listed;
}

TEST(AccessRightsNamesTest, UserAndPrivileges) {
  wchar_t user[UNLEN + 1];
  DWORD size = UNLEN + 1;
  ASSERT_TRUE(GetUserNameW(user, &size));
  std::wstring name = L"unchanged";
  ASSERT_TRUE(GetUserNameSamCompatible(&name));
  const std::wstring suffix = std::wstring(L"\\") + user;
  ASSERT_GT(name.size(), suffix.size());
  EXPECT_EQ(suffix, name.substr(name.size() - suffix.size()));

  EXPECT_EQ(TokenListsAdministrators(), IsUserAdmin());

  EXPECT_FALSE(EnablePrivilege(L"SeNoSuchPrivilege", true));

  // The privilege really changes state in the token, both ways.
  const bool was_enabled = PrivilegeEnabled(L"SeTakeOwnershipPrivilege");
  if (!EnablePrivilege(L"SeTakeOwnershipPrivilege", true))
    GTEST_SKIP() << "this account does not hold SeTakeOwnershipPrivilege";
  EXPECT_TRUE(PrivilegeEnabled(L"SeTakeOwnershipPrivilege"));
  EXPECT_TRUE(EnablePrivilege(L"SeTakeOwnershipPrivilege", false));
  EXPECT_FALSE(PrivilegeEnabled(L"SeTakeOwnershipPrivilege"));
  EnablePrivilege(L"SeTakeOwnershipPrivilege", was_enabled);
}

}  // namespace
}  // namespace installer
