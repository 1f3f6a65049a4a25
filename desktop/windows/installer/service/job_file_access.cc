#include "desktop/windows/installer/service/job_file_access.h"

namespace installer {

bool AddAuthenticatedUsersReadExecute(PACL dacl, PACL* new_dacl) {
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  PSID authenticated_users = nullptr;
  if (!AllocateAndInitializeSid(&nt_authority, 1,
                                SECURITY_AUTHENTICATED_USER_RID, 0, 0, 0, 0, 0,
                                0, 0, &authenticated_users)) {
    return false;
  }
  EXPLICIT_ACCESSW access = {};
  access.grfAccessPermissions = GENERIC_READ | GENERIC_EXECUTE;
  access.grfAccessMode = GRANT_ACCESS;
  access.grfInheritance = NO_INHERITANCE;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  access.Trustee.ptstrName = static_cast<LPWSTR>(authenticated_users);
  *new_dacl = nullptr;
  const DWORD result = SetEntriesInAclW(1, &access, dacl, new_dacl);
  FreeSid(authenticated_users);
  return result == ERROR_SUCCESS;
}

void GrantJobFileAccess(const std::wstring& job_file) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(job_file.c_str(), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                            nullptr, &descriptor) != ERROR_SUCCESS) {
    return;
  }
  PACL new_dacl = nullptr;
  if (AddAuthenticatedUsersReadExecute(dacl, &new_dacl)) {
    SetNamedSecurityInfoW(const_cast<LPWSTR>(job_file.c_str()), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION, nullptr, nullptr, new_dacl,
                          nullptr);
    LocalFree(new_dacl);
  }
  LocalFree(descriptor);
}

}  // namespace installer
