#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_COPY_FILE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_COPY_FILE_OPERATION_H_

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

// Copies one file into place. An existing destination is first moved aside,
// and a missing destination folder is first created, as steps of the nested
// transaction, so that they are undone and committed with the copy.
class CopyFileOperation : public Operation {
 public:
  CopyFileOperation(const base::FilePath& source,
                    const base::FilePath& destination);
  CopyFileOperation(const CopyFileOperation&) = delete;
  CopyFileOperation& operator=(const CopyFileOperation&) = delete;
  ~CopyFileOperation() override;

  // Operation:
  bool Do(Transaction* nested) override;
  void Rollback() override;

 private:
  base::FilePath source_;
  base::FilePath destination_;
  bool done_ = false;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_COPY_FILE_OPERATION_H_
