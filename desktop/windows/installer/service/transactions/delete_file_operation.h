#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_FILE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_FILE_OPERATION_H_

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

// Deletes a file in two stages: Do() moves it aside to its path plus
// "." + Unix seconds + ".old", and the commit deletes that backup (at the next
// restart if it cannot be deleted now). A rollback moves it back.
class DeleteFileOperation : public Operation {
 public:
  // With |check_in_use| an executable or library that is running or loaded
  // is put back and the deletion fails. With |remove_empty_parents| the commit
  // also removes the folders above the file as long as they are empty.
  // A non-empty |top_folder| bounds that walk: |top_folder| itself may go,
  // nothing above it does.
  DeleteFileOperation(const base::FilePath& path,
                      bool check_in_use,
                      bool remove_empty_parents,
                      const base::FilePath& top_folder = base::FilePath());
  DeleteFileOperation(const DeleteFileOperation&) = delete;
  DeleteFileOperation& operator=(const DeleteFileOperation&) = delete;
  ~DeleteFileOperation() override;

  // Operation:
  bool Do(Transaction* nested) override;
  void Rollback() override;

 private:
  bool IsInUseCandidate() const;
  bool IsWithinTopFolder(const base::FilePath& folder) const;

  base::FilePath path_;
  base::FilePath backup_path_;
  // True while the file stands moved aside under |backup_path_|.
  bool done_ = false;
  bool check_in_use_;
  bool remove_empty_parents_;
  base::FilePath top_folder_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_FILE_OPERATION_H_
