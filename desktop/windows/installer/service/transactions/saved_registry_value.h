#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_SAVED_REGISTRY_VALUE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_SAVED_REGISTRY_VALUE_H_

#include <windows.h>

#include <string>
#include <vector>

namespace installer {

// One value of a deleted registry key, kept so that a rollback can write it
// back exactly: name, type and a copy of its bytes.
class SavedRegistryValue {
 public:
  SavedRegistryValue(const std::wstring& name,
                     DWORD type,
                     const BYTE* data,
                     DWORD size);
  SavedRegistryValue(const SavedRegistryValue&) = delete;
  SavedRegistryValue& operator=(const SavedRegistryValue&) = delete;
  ~SavedRegistryValue();

  const std::wstring& name() const { return name_; }
  DWORD type() const { return type_; }
  const BYTE* data() const { return data_.data(); }
  DWORD size() const { return static_cast<DWORD>(data_.size()); }

 private:
  std::wstring name_;
  DWORD type_;
  std::vector<BYTE> data_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_SAVED_REGISTRY_VALUE_H_
