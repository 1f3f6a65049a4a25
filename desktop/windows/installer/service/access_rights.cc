#include "desktop/windows/installer/service/access_rights.h"

#define SECURITY_WIN32
#include <lmcons.h>
#include <security.h>

#include <vector>

namespace installer {

namespace {

constexpr wchar_t kTakeOwnershipPrivilege[] = L"SeTakeOwnershipPrivilege";

// The named-security functions take object names as non-const strings
// although they never write to them.
LPWSTR ObjectName(const std::wstring& name) {
  return const_cast<LPWSTR>(name.c_str());
}

bool AllocateAdministratorsSid(PSID* sid) {
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  return AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  sid) != FALSE;
}

// An identification-level copy of the process token, as AccessCheck and
// CheckTokenMembership want an impersonation token.
bool OpenIdentificationToken(HANDLE* process_token, HANDLE* token) {
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE,
                        process_token)) {
    return false;
  }
  if (!DuplicateToken(*process_token, SecurityIdentification, token)) {
    CloseHandle(*process_token);
    return false;
  }
  return true;
}

DWORD ReadDacl(const std::wstring& object_name,
               SE_OBJECT_TYPE object_type,
               PACL* dacl,
               PSECURITY_DESCRIPTOR* descriptor) {
  return GetNamedSecurityInfoW(ObjectName(object_name), object_type,
                               DACL_SECURITY_INFORMATION, nullptr, nullptr,
                               dacl, nullptr, descriptor);
}

DWORD WriteDacl(const std::wstring& object_name,
                SE_OBJECT_TYPE object_type,
                PACL dacl) {
  return SetNamedSecurityInfoW(ObjectName(object_name), object_type,
                               DACL_SECURITY_INFORMATION, nullptr, nullptr,
                               dacl, nullptr);
}

}  // namespace

bool GetUserNameSamCompatible(std::wstring* name) {
  ULONG size = 0;
  if (!GetUserNameExW(NameSamCompatible, nullptr, &size) &&
      GetLastError() != ERROR_MORE_DATA) {
    return false;
  }
  std::vector<wchar_t> buffer(size + 1, L'\0');
  size = static_cast<ULONG>(buffer.size());
  if (!GetUserNameExW(NameSamCompatible, buffer.data(), &size))
    return false;
  name->assign(buffer.data());
  return true;
}

bool IsUserAdmin() {
  HANDLE process_token = nullptr;
  HANDLE token = nullptr;
  if (!OpenIdentificationToken(&process_token, &token))
    return false;

  BOOL is_member = FALSE;
  PSID administrators = nullptr;
  if (AllocateAdministratorsSid(&administrators)) {
    if (!CheckTokenMembership(token, administrators, &is_member))
      is_member = FALSE;
    FreeSid(administrators);
  }
  CloseHandle(token);
  CloseHandle(process_token);
  return is_member == TRUE;
}

bool HasAccess(const std::wstring& object_name,
               SE_OBJECT_TYPE object_type,
               DWORD desired_access) {
  GENERIC_MAPPING mapping;
  switch (object_type) {
    case SE_FILE_OBJECT:
      mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                 FILE_ALL_ACCESS};
      break;
    case SE_REGISTRY_KEY:
      mapping = {KEY_READ, KEY_WRITE, KEY_EXECUTE, KEY_ALL_ACCESS};
      break;
    default:
      return false;
  }

  HANDLE process_token = nullptr;
  HANDLE token = nullptr;
  if (!OpenIdentificationToken(&process_token, &token))
    return false;

  BOOL access_status = FALSE;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(
          ObjectName(object_name), object_type,
          OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
              DACL_SECURITY_INFORMATION,
          nullptr, nullptr, nullptr, nullptr, &descriptor) == ERROR_SUCCESS) {
    PRIVILEGE_SET privileges = {};
    DWORD privileges_size = sizeof(privileges);
    DWORD granted_access = 0;
    if (!AccessCheck(descriptor, token, desired_access, &mapping, &privileges,
                     &privileges_size, &granted_access, &access_status)) {
      access_status = FALSE;
    }
    LocalFree(descriptor);
  }
  CloseHandle(token);
  CloseHandle(process_token);
  return access_status == TRUE;
}

bool EnablePrivilege(const wchar_t* privilege_name, bool enable) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token))
    return false;

  bool result = false;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  if (LookupPrivilegeValueW(nullptr, privilege_name,
                            &privileges.Privileges[0].Luid)) {
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    // A token without the privilege still "succeeds" but says so through the
    // last error.
    result =
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
        GetLastError() != ERROR_NOT_ALL_ASSIGNED;
  }
  CloseHandle(token);
  return result;
}

bool TakeOwnership(const std::wstring& object_name,
                   SE_OBJECT_TYPE object_type) {
  if (!EnablePrivilege(kTakeOwnershipPrivilege, true))
    return false;

  PSID administrators = nullptr;
  if (!AllocateAdministratorsSid(&administrators)) {
    EnablePrivilege(kTakeOwnershipPrivilege, false);
    return false;
  }
  DWORD result = SetNamedSecurityInfoW(
      ObjectName(object_name), object_type, OWNER_SECURITY_INFORMATION,
      administrators, nullptr, nullptr, nullptr);
  FreeSid(administrators);
  EnablePrivilege(kTakeOwnershipPrivilege, false);
  return result == ERROR_SUCCESS;
}

bool GrantCurrentUserAccess(const std::wstring& object_name,
                            SE_OBJECT_TYPE object_type,
                            DWORD access_mask,
                            bool discard_old,
                            std::unique_ptr<SavedSecurity>* saved) {
  saved->reset();

  // Without a name the new entry would name nobody, or somebody else.
  wchar_t user_name[UNLEN + 1] = {};
  DWORD user_name_size = UNLEN + 1;
  if (!GetUserNameW(user_name, &user_name_size))
    return false;

  PACL old_dacl = nullptr;
  PSECURITY_DESCRIPTOR old_descriptor = nullptr;
  DWORD result = ReadDacl(object_name, object_type, &old_dacl, &old_descriptor);
  if (result == ERROR_ACCESS_DENIED) {
    if (!TakeOwnership(object_name, object_type))
      return false;
    result = ReadDacl(object_name, object_type, &old_dacl, &old_descriptor);
  }
  if (result != ERROR_SUCCESS)
    return false;

  ULONG entry_count = 0;
  PEXPLICIT_ACCESS_W entries = nullptr;
  if (GetExplicitEntriesFromAclW(old_dacl, &entry_count, &entries) !=
      ERROR_SUCCESS) {
    LocalFree(old_descriptor);
    return false;
  }

  // A deny entry for one of the user's groups would still win over the new
  // allow entry, so it loses the granted bits and keeps the rest.
  for (ULONG i = 0; i < entry_count; ++i) {
    EXPLICIT_ACCESS_W& entry = entries[i];
    if (entry.grfAccessMode != DENY_ACCESS ||
        entry.Trustee.TrusteeForm != TRUSTEE_IS_SID) {
      continue;
    }
    BOOL is_member = FALSE;
    if (CheckTokenMembership(nullptr,
                             reinterpret_cast<PSID>(entry.Trustee.ptstrName),
                             &is_member) &&
        is_member) {
      entry.grfAccessPermissions &= ~access_mask;
    }
  }

  EXPLICIT_ACCESS_W grant = {};
  grant.grfAccessPermissions = access_mask;
  grant.grfAccessMode = GRANT_ACCESS;
  grant.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  BuildTrusteeWithNameW(&grant.Trustee, user_name);

  PACL grant_acl = nullptr;
  PACL new_acl = nullptr;
  result = SetEntriesInAclW(1, &grant, nullptr, &grant_acl);
  if (result == ERROR_SUCCESS) {
    result = SetEntriesInAclW(entry_count, entries, grant_acl, &new_acl);
    LocalFree(grant_acl);
  }
  if (result != ERROR_SUCCESS) {
    LocalFree(entries);
    LocalFree(old_descriptor);
    return false;
  }

  result = WriteDacl(object_name, object_type, new_acl);
  if (result == ERROR_ACCESS_DENIED && TakeOwnership(object_name, object_type))
    result = WriteDacl(object_name, object_type, new_acl);
  LocalFree(new_acl);
  LocalFree(entries);
  if (result != ERROR_SUCCESS) {
    LocalFree(old_descriptor);
    return false;
  }

  if (discard_old) {
    LocalFree(old_descriptor);
  } else {
    *saved = std::make_unique<SavedSecurity>(object_name, object_type, old_dacl,
                                             old_descriptor);
  }
  return true;
}

bool RestoreSecurity(std::unique_ptr<SavedSecurity>* saved) {
  if (!*saved)
    return false;
  DWORD result = WriteDacl((*saved)->object_name(), (*saved)->object_type(),
                           (*saved)->dacl());
  saved->reset();
  return result == ERROR_SUCCESS;
}

void GetRegistryObjectName(HKEY root,
                           const std::wstring& key_path,
                           std::wstring* name) {
  if (root == HKEY_CLASSES_ROOT)
    name->assign(L"CLASSES_ROOT\\");
  else if (root == HKEY_CURRENT_USER)
    name->assign(L"CURRENT_USER\\");
  else if (root == HKEY_LOCAL_MACHINE)
    name->assign(L"MACHINE\\");
  else if (root == HKEY_USERS)
    name->assign(L"USERS\\");
  else
    name->clear();
  name->append(key_path);
}

}  // namespace installer
