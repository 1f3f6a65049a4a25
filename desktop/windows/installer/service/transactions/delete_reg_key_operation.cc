#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"

#include <utility>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/service/access_rights.h"

namespace installer {

namespace {

// DELETE, READ_CONTROL and every key right but KEY_CREATE_LINK: enough to
// read a key whole, empty it and delete it.
constexpr DWORD kDeleteAccess = 0x3001F;
// KEY_READ with DELETE.
constexpr DWORD kTestedAccess = 0x30019;
constexpr SECURITY_INFORMATION kSavedSecurity = GROUP_SECURITY_INFORMATION |
                                                DACL_SECURITY_INFORMATION |
                                                LABEL_SECURITY_INFORMATION;

}  // namespace

DeleteRegKeyOperation::DeleteRegKeyOperation(HKEY root,
                                             const std::wstring& key_path)
    : key_path_(key_path), root_(root) {}

DeleteRegKeyOperation::~DeleteRegKeyOperation() = default;

bool DeleteRegKeyOperation::Do(Transaction* nested) {
  VLOG(1) << "Attempting to delete registry key " << key_path_ << " under "
          << root_;
  // An empty path names the root itself: everything that every program
  // keeps there would go.
  if (key_path_.find_first_not_of(L'\\') == std::wstring::npos) {
    LOG(ERROR) << "Refusing to delete the root key " << root_;
    return false;
  }

  std::wstring object_name;
  GetRegistryObjectName(root_, key_path_, &object_name);
  // Only the answer matters: the handle closes again at once.
  const LONG result =
      base::win::RegKey().Open(root_, key_path_, KEY_QUERY_VALUE);
  if (result == ERROR_SUCCESS || result == ERROR_ACCESS_DENIED)
    return DeleteAndSaveRecursive(key_path_, object_name);
  if (result == ERROR_FILE_NOT_FOUND) {
    VLOG(1) << "Key does not exist. Nothing to do.";
    return true;
  }
  LOG(ERROR) << "Failed to open key " << object_name;
  return false;
}

bool DeleteRegKeyOperation::DeleteAndSaveRecursive(
    const std::wstring& path,
    const std::wstring& object_name) {
  VLOG(1) << "DeleteAndSaveRecursive : " << path;
  auto saved_key = std::make_unique<SavedRegistryKey>(path);
  const std::string name = base::WideToUTF8(object_name);

  base::win::RegKey key;
  LONG result = key.Open(root_, path, kDeleteAccess);
  if (result == ERROR_ACCESS_DENIED ||
      (result == ERROR_SUCCESS &&
       !HasAccess(object_name, SE_REGISTRY_KEY, kTestedAccess))) {
    VLOG(1) << "Insufficient permissions on the key";
    key.Close();
    // The grant is not undone: the key is about to go, and a rollback
    // rebuilds it from the descriptor read below.
    std::unique_ptr<SavedSecurity> unused;
    if (!GrantCurrentUserAccess(object_name, SE_REGISTRY_KEY, kDeleteAccess,
                                true, &unused)) {
      LOG(ERROR) << "Unable to obtain sufficient permissions on key" << name;
      return false;
    }
    result = key.Open(root_, path, kDeleteAccess);
  }
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to open key " << name;
    return false;
  }

  DWORD descriptor_size = 0;
  result = RegGetKeySecurity(key.Handle(), kSavedSecurity, nullptr,
                             &descriptor_size);
  if (result != ERROR_SUCCESS && result != ERROR_INSUFFICIENT_BUFFER) {
    LOG(ERROR) << "Failed to obtain security descriptor for " << name;
    return false;
  }
  std::vector<BYTE>* descriptor = saved_key->mutable_descriptor();
  descriptor->resize(descriptor_size);
  if (descriptor_size &&
      RegGetKeySecurity(key.Handle(), kSavedSecurity, descriptor->data(),
                        &descriptor_size) != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to obtain security descriptor for " << name
               << "(but we succeeded earlier)";
    return false;
  }

  DWORD value_count = 0;
  DWORD longest_value_name = 0;
  DWORD longest_value_data = 0;
  DWORD longest_subkey_name = 0;
  if (RegQueryInfoKeyW(key.Handle(), nullptr, nullptr, nullptr, nullptr,
                       &longest_subkey_name, nullptr, &value_count,
                       &longest_value_name, &longest_value_data, nullptr,
                       nullptr) != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to obtain key info for " << name;
    return false;
  }
  VLOG(1) << value_count << " values";

  std::vector<wchar_t> value_name(longest_value_name + 1);
  // Never empty, so that the system always gets a buffer to write into.
  std::vector<BYTE> value_data(longest_value_data + 1);
  for (DWORD index = 0; index < value_count; ++index) {
    DWORD name_length = static_cast<DWORD>(value_name.size());
    DWORD data_size = longest_value_data;
    DWORD type = REG_NONE;
    if (RegEnumValueW(key.Handle(), index, value_name.data(), &name_length,
                      nullptr, &type, value_data.data(),
                      &data_size) != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to obtain value nr " << index;
      return false;
    }
    saved_key->AddValue(std::make_unique<SavedRegistryValue>(
        std::wstring(value_name.data(), name_length), type, value_data.data(),
        data_size));
  }

  saved_keys_.push_back(std::move(saved_key));

  // Each subkey is gone once handled, so the next one is always at index 0.
  std::vector<wchar_t> subkey_name(longest_subkey_name + 1);
  for (;;) {
    DWORD name_length = static_cast<DWORD>(subkey_name.size());
    result = RegEnumKeyExW(key.Handle(), 0, subkey_name.data(), &name_length,
                           nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS)
      break;
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to read a subkey";
      return false;
    }
    const std::wstring subkey(subkey_name.data(), name_length);
    if (!DeleteAndSaveRecursive(path + L"\\" + subkey,
                                object_name + L"\\" + subkey)) {
      return false;
    }
  }

  key.Close();
  // A key that stays would come back at index 0 of its parent's loop for
  // ever, and the operation would claim a deletion that did not happen.
  result = RegDeleteKeyW(root_, path.c_str());
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to delete key " << name;
    return false;
  }
  return true;
}

void DeleteRegKeyOperation::Rollback() {
  for (const std::unique_ptr<SavedRegistryKey>& saved_key : saved_keys_) {
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = saved_key->security_descriptor();
    attributes.bInheritHandle = FALSE;
    base::win::RegKey key;
    DWORD disposition = 0;
    if (key.Create(root_, saved_key->path(), kDeleteAccess, &disposition,
                   &attributes) != ERROR_SUCCESS) {
      continue;
    }
    // A key that is there already was not deleted by us, or was made again
    // since; either way it is not ours to overwrite.
    if (disposition == REG_CREATED_NEW_KEY) {
      for (const std::unique_ptr<SavedRegistryValue>& value :
           saved_key->values()) {
        key.WriteValue(value->name(), value->data(), value->size(),
                       value->type());
      }
    }
  }
}

}  // namespace installer
