#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/transactions/operation.h"
#include "desktop/windows/installer/service/transactions/saved_registry_key.h"

namespace installer {

// Deletes a registry key with its whole subtree, saving every key's values
// and security descriptor first. A rollback rebuilds the keys that are gone;
// the commit drops the saved copy.
class DeleteRegKeyOperation : public Operation {
 public:
  DeleteRegKeyOperation(HKEY root, const std::wstring& key_path);
  DeleteRegKeyOperation(const DeleteRegKeyOperation&) = delete;
  DeleteRegKeyOperation& operator=(const DeleteRegKeyOperation&) = delete;
  ~DeleteRegKeyOperation() override;

  // Operation:
  bool Do(Transaction* nested) override;
  void Rollback() override;

  // What Do() saved, parents before their subkeys.
  const std::vector<std::unique_ptr<SavedRegistryKey>>& saved_keys() const {
    return saved_keys_;
  }

 private:
  // Saves the key at |path| (below the root; |object_name| is its name for
  // the security functions), then deletes its subkeys the same way and the
  // key itself.
  bool DeleteAndSaveRecursive(const std::wstring& path,
                              const std::wstring& object_name);

  std::wstring key_path_;
  HKEY root_;
  // Parents before their subkeys. A key stays here once saved, even when a
  // later step fails, since it may already be deleted.
  std::vector<std::unique_ptr<SavedRegistryKey>> saved_keys_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_
