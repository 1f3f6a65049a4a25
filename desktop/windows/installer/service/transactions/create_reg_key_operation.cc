#include "desktop/windows/installer/service/transactions/create_reg_key_operation.h"

#include <shlwapi.h>

#include "base/logging.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/service/access_rights.h"

namespace installer {

namespace {

// What a later write into the new key takes on the ancestor, and what is
// granted on it when that is missing.
constexpr DWORD kTestedAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;
constexpr DWORD kGrantedAccess = KEY_CREATE_SUB_KEY;

// The key one level up. Only the backslash separates levels: a slash is an
// ordinary character in a key name. The root's own path is empty.
std::wstring ParentKeyPath(const std::wstring& path) {
  std::wstring trimmed = path;
  while (!trimmed.empty() && trimmed.back() == L'\\')
    trimmed.pop_back();
  const size_t separator = trimmed.rfind(L'\\');
  if (separator == std::wstring::npos)
    return std::wstring();
  trimmed.resize(separator);
  while (!trimmed.empty() && trimmed.back() == L'\\')
    trimmed.pop_back();
  return trimmed;
}

}  // namespace

CreateRegKeyOperation::CreateRegKeyOperation(HKEY root,
                                             const std::wstring& key_path)
    : key_path_(key_path), root_(root) {}

CreateRegKeyOperation::~CreateRegKeyOperation() {
  if (saved_security_)
    RestoreSecurity(&saved_security_);
}

bool CreateRegKeyOperation::Do(Transaction* nested) {
  VLOG(1) << "Attempting to create registry key " << key_path_ << " under "
          << root_;

  base::win::RegKey key;
  LONG result = key.Open(root_, key_path_, KEY_QUERY_VALUE);
  key.Close();
  // A refused open, like any other answer but "not found", means the key is
  // there.
  if (result != ERROR_FILE_NOT_FOUND) {
    VLOG(1) << "The key already exists. No need to do anything.";
    return true;
  }

  VLOG(1) << "Attempting to find the nearest existing ancestor.";
  std::wstring current = key_path_;
  std::wstring ancestor;
  bool ancestor_refused = false;
  for (;;) {
    std::wstring parent = ParentKeyPath(current);
    if (parent == current) {
      LOG(ERROR) << "No existing ancestor found.";
      return false;
    }
    result = key.Open(root_, parent, KEY_CREATE_SUB_KEY);
    key.Close();
    if (result == ERROR_SUCCESS) {
      ancestor = parent;
      break;
    }
    if (result == ERROR_ACCESS_DENIED) {
      ancestor = parent;
      ancestor_refused = true;
      break;
    }
    if (result != ERROR_FILE_NOT_FOUND) {
      LOG(ERROR) << "Existing ancestor could not be opened.";
      return false;
    }
    current = parent;
  }

  VLOG(1) << "Ancestor found: " << ancestor;
  std::wstring ancestor_name;
  GetRegistryObjectName(root_, ancestor, &ancestor_name);
  if (ancestor_refused ||
      !HasAccess(ancestor_name, SE_REGISTRY_KEY, kTestedAccess)) {
    VLOG(1) << "No access to" << ancestor_name;
    if (!GrantCurrentUserAccess(ancestor_name, SE_REGISTRY_KEY, kGrantedAccess,
                                false, &saved_security_)) {
      LOG(ERROR) << "Failed obtaining permissions on " << ancestor_name;
      return false;
    }
  }

  first_created_key_ = current;
  if (key.Create(root_, key_path_, KEY_ALL_ACCESS) != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed creating key.";
    return false;
  }
  return true;
}

void CreateRegKeyOperation::Rollback() {
  if (!first_created_key_.empty())
    SHDeleteKeyW(root_, first_created_key_.c_str());
}

}  // namespace installer
