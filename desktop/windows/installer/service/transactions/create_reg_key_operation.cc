#include "desktop/windows/installer/service/transactions/create_reg_key_operation.h"

#include <shlwapi.h>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
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
  VLOG(1) << "Attempting to create registry key " << base::WideToUTF8(key_path_)
          << " under " << root_;

  HKEY key = nullptr;
  LONG result =
      RegOpenKeyExW(root_, key_path_.c_str(), 0, KEY_QUERY_VALUE, &key);
  if (result == ERROR_SUCCESS)
    RegCloseKey(key);
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
    result = RegOpenKeyExW(root_, parent.c_str(), 0, KEY_CREATE_SUB_KEY, &key);
    if (result == ERROR_SUCCESS) {
      RegCloseKey(key);
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

  VLOG(1) << "Ancestor found: " << base::WideToUTF8(ancestor);
  std::wstring ancestor_name;
  GetRegistryObjectName(root_, ancestor, &ancestor_name);
  if (ancestor_refused ||
      !HasAccess(ancestor_name, SE_REGISTRY_KEY, kTestedAccess)) {
    VLOG(1) << "No access to" << base::WideToUTF8(ancestor_name);
    if (!GrantCurrentUserAccess(ancestor_name, SE_REGISTRY_KEY, kGrantedAccess,
                                false, &saved_security_)) {
      LOG(ERROR) << "Failed obtaining permissions on "
                 << base::WideToUTF8(ancestor_name);
      return false;
    }
  }

  first_created_key_ = current;
  result = RegCreateKeyExW(root_, key_path_.c_str(), 0, nullptr,
                           REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                           &key, nullptr);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed creating key.";
    return false;
  }
  RegCloseKey(key);
  return true;
}

void CreateRegKeyOperation::Rollback() {
  if (!first_created_key_.empty())
    SHDeleteKeyW(root_, first_created_key_.c_str());
}

}  // namespace installer
