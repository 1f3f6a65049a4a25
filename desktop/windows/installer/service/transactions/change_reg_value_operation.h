#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/win/registry.h"
#include "desktop/windows/installer/service/saved_security.h"
#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

// Writes one registry value, or removes it, keeping the earlier value for a
// rollback. A missing key is created through a nested CreateRegKeyOperation,
// so a rollback removes it again.
class ChangeRegValueOperation : public Operation {
 public:
  // As a new type: remove the value. As the earlier type: there was none.
  static constexpr DWORD kNoValue = 0xFFFFFFFF;

  // |value_name| empty names the key's default value. The |size| bytes at
  // |data| are copied.
  ChangeRegValueOperation(HKEY root,
                          const std::wstring& key_path,
                          const std::wstring& value_name,
                          const void* data,
                          DWORD type,
                          DWORD size);
  ChangeRegValueOperation(const ChangeRegValueOperation&) = delete;
  ChangeRegValueOperation& operator=(const ChangeRegValueOperation&) = delete;
  // Writes back the key's access list when access to it had to be granted,
  // and closes the key.
  ~ChangeRegValueOperation() override;

  // Operation:
  bool Do(Transaction* nested) override;
  void Rollback() override;

 private:
  // Opens the key into |key_|; the system's answer.
  LONG OpenKey();
  // Reads the value as it is before the change.
  bool ReadOldValue(const std::string& object_name);

  HKEY root_;
  std::wstring key_path_;
  std::wstring value_name_;
  std::vector<BYTE> new_data_;
  DWORD new_type_;
  // Open from Do() until destruction, so that a rollback reaches the same
  // key.
  base::win::RegKey key_;
  DWORD old_type_ = kNoValue;
  std::vector<BYTE> old_data_;
  // True only once the value was written or removed.
  bool done_ = false;
  std::unique_ptr<SavedSecurity> saved_security_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_
