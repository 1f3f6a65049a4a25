#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_

#include <windows.h>

#include <memory>
#include <string>

#include "desktop/windows/installer/service/saved_security.h"
#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

// Creates a registry key with every missing level above it. A rollback
// deletes the highest level it created, with everything below. A key that
// exists already is left alone and nothing is undone.
class CreateRegKeyOperation : public Operation {
 public:
  CreateRegKeyOperation(HKEY root, const std::wstring& key_path);
  CreateRegKeyOperation(const CreateRegKeyOperation&) = delete;
  CreateRegKeyOperation& operator=(const CreateRegKeyOperation&) = delete;
  // Writes back the nearest existing ancestor's access list when access to
  // it had to be granted.
  ~CreateRegKeyOperation() override;

  // Operation:
  bool Do(Transaction* nested) override;
  void Rollback() override;

 private:
  std::wstring key_path_;
  HKEY root_;
  // The highest level this operation created; set before creating, so that a
  // creation that stops part-way is still cleaned up.
  std::wstring first_created_key_;
  std::unique_ptr<SavedSecurity> saved_security_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_
