#include "desktop/windows/installer/service/job_file_access.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "gtest/gtest.h"

// Wine reports success for SetNamedSecurityInfoW on files but keeps nothing,
// so the grant on a job file is shown on the access list it writes.

namespace installer {
namespace {

struct LocalAcl {
  ~LocalAcl() { LocalFree(acl); }
  PACL acl = nullptr;
};

bool IsAuthenticatedUsers(PSID sid) {
  PSID expected = nullptr;
  ConvertStringSidToSidW(L"S-1-5-11", &expected);
  const bool equal = expected && EqualSid(sid, expected);
  LocalFree(expected);
  return equal;
}

TEST(JobFileAccessTest, AddsReadAndExecuteForAuthenticatedUsers) {
  // An existing access list with one entry for the system account.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:(A;;FA;;;SY)", SDDL_REVISION_1, &descriptor, nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ASSERT_TRUE(
      GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));

  LocalAcl result;
  ASSERT_TRUE(AddAuthenticatedUsersReadExecute(dacl, &result.acl));
  ASSERT_TRUE(result.acl);
  ASSERT_EQ(2u, result.acl->AceCount);

  bool found = false;
  for (DWORD i = 0; i < result.acl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(result.acl, i, reinterpret_cast<void**>(&ace)));
    ASSERT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
    if (!IsAuthenticatedUsers(&ace->SidStart))
      continue;
    found = true;
    EXPECT_EQ(static_cast<DWORD>(GENERIC_READ | GENERIC_EXECUTE), ace->Mask);
    EXPECT_EQ(
        0, ace->Header.AceFlags &
               (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | INHERIT_ONLY_ACE));
  }
  EXPECT_TRUE(found);
  LocalFree(descriptor);
}

}  // namespace
}  // namespace installer
