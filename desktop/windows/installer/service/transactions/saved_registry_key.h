#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_SAVED_REGISTRY_KEY_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_SAVED_REGISTRY_KEY_H_

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/transactions/saved_registry_value.h"

namespace installer {

// One deleted registry key: its path below the root, its security
// descriptor (self-relative: group, DACL and label) and its values in the
// order the system listed them. Its subkeys are records of their own.
class SavedRegistryKey {
 public:
  explicit SavedRegistryKey(const std::wstring& path);
  SavedRegistryKey(const SavedRegistryKey&) = delete;
  SavedRegistryKey& operator=(const SavedRegistryKey&) = delete;
  ~SavedRegistryKey();

  const std::wstring& path() const { return path_; }

  // Empty until the descriptor was read.
  const std::vector<BYTE>& descriptor() const { return descriptor_; }
  std::vector<BYTE>* mutable_descriptor() { return &descriptor_; }
  // The descriptor in the form the security functions take; null while
  // there is none.
  PSECURITY_DESCRIPTOR security_descriptor() {
    return descriptor_.empty() ? nullptr : descriptor_.data();
  }

  void AddValue(std::unique_ptr<SavedRegistryValue> value);
  const std::vector<std::unique_ptr<SavedRegistryValue>>& values() const {
    return values_;
  }

 private:
  std::wstring path_;
  std::vector<BYTE> descriptor_;
  std::vector<std::unique_ptr<SavedRegistryValue>> values_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_SAVED_REGISTRY_KEY_H_
