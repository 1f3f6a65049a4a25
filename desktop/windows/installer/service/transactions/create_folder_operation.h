#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_FOLDER_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_FOLDER_OPERATION_H_

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

// Creates a folder with every missing level above it. A rollback removes the
// levels it created, deepest first, as long as they are empty.
class CreateFolderOperation : public Operation {
 public:
  explicit CreateFolderOperation(const base::FilePath& path);
  CreateFolderOperation(const CreateFolderOperation&) = delete;
  CreateFolderOperation& operator=(const CreateFolderOperation&) = delete;
  ~CreateFolderOperation() override;

  // Operation:
  bool Do(Transaction* nested) override;
  void Rollback() override;

 private:
  base::FilePath path_;
  // The nearest folder that existed before; empty unless Do() created
  // folders. It is never removed.
  base::FilePath ancestor_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_FOLDER_OPERATION_H_
