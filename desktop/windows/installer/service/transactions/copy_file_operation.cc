#include "desktop/windows/installer/service/transactions/copy_file_operation.h"

#include <windows.h>

#include <memory>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/create_folder_operation.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"

namespace installer {

CopyFileOperation::CopyFileOperation(const base::FilePath& source,
                                     const base::FilePath& destination)
    : source_(source), destination_(destination) {}

CopyFileOperation::~CopyFileOperation() = default;

bool CopyFileOperation::Do(Transaction* nested) {
  // A folder under the file's name is somebody else's (the package puts
  // only files there): it is neither replaced nor, at the commit, deleted
  // with everything it holds.
  if (base::DirectoryExists(destination_)) {
    LOG(ERROR) << "File copy failed: " << destination_ << " is a folder";
    return false;
  }
  // A bare file name goes into the working folder.
  base::FilePath folder = destination_.parent_path();
  if (folder.empty())
    folder = base::FilePath(L".");
  if (base::DirectoryExists(folder)) {
    if (base::PathExists(destination_) &&
        !nested->Execute(std::make_unique<DeleteFileOperation>(destination_,
                                                               false, false))) {
      return false;
    }
  } else if (!nested->Execute(
                 std::make_unique<CreateFolderOperation>(folder))) {
    return false;
  }

  VLOG(1) << "Copying " << source_ << " to " << destination_;

  // The copy takes the source's attributes along, and a read-only file in the
  // install folder could not be replaced or deleted later.
  const DWORD attributes = GetFileAttributesW(source_.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_READONLY) &&
      !SetFileAttributesW(source_.c_str(),
                          attributes & ~FILE_ATTRIBUTE_READONLY)) {
    LOG(ERROR) << "Couldn't clear RO attribute of " << source_;
  }

  if (!base::CopyFile(source_, destination_)) {
    LOG(ERROR) << "File copy failed";
    return false;
  }
  VLOG(1) << "File copied successfully";
  done_ = true;
  return true;
}

void CopyFileOperation::Rollback() {
  if (done_)
    base::DeleteFile(destination_, false);
}

}  // namespace installer
