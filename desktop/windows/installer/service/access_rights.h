#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_ACCESS_RIGHTS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_ACCESS_RIGHTS_H_

#include <windows.h>

#include <aclapi.h>

#include <memory>
#include <string>

#include "desktop/windows/installer/service/saved_security.h"

// Helpers for files and registry keys that the current user may not be
// allowed to change. They keep no state and log nothing: every failure is
// reported as false and the callers decide what to say.

namespace installer {

// The current user's account name as "DOMAIN\user". |name| is left as it is
// when the name cannot be read.
bool GetUserNameSamCompatible(std::wstring* name);

// Whether the process token is a member of BUILTIN\Administrators.
bool IsUserAdmin();

// Whether the process token is granted all of |desired_access| on the object.
// Only files and registry keys are understood; |desired_access| must hold no
// generic bits.
bool HasAccess(const std::wstring& object_name,
               SE_OBJECT_TYPE object_type,
               DWORD desired_access);

// Enables or disables one privilege of the process token. False also when the
// token does not hold the privilege.
bool EnablePrivilege(const wchar_t* privilege_name, bool enable);

// Makes BUILTIN\Administrators the owner of the object.
bool TakeOwnership(const std::wstring& object_name, SE_OBJECT_TYPE object_type);

// Adds an entry that allows |access_mask| to the current user to the object's
// access list and takes those bits out of every deny entry for a group the
// user belongs to. |saved| is emptied first; unless |discard_old| is
// set, a successful grant leaves the earlier access list in it.
bool GrantCurrentUserAccess(const std::wstring& object_name,
                            SE_OBJECT_TYPE object_type,
                            DWORD access_mask,
                            bool discard_old,
                            std::unique_ptr<SavedSecurity>* saved);

// Writes the saved access list back and empties |saved|. False when |saved|
// is empty or the write fails. An owner set while granting is not undone.
bool RestoreSecurity(std::unique_ptr<SavedSecurity>* saved);

// The name under which the named-security functions know a registry key,
// such as "CURRENT_USER\Software\Ulvena". An unknown root gives |key_path|.
void GetRegistryObjectName(HKEY root,
                           const std::wstring& key_path,
                           std::wstring* name);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_ACCESS_RIGHTS_H_
