#include "desktop/windows/installer/service/transactions/create_folder_operation.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/logging.h"

namespace installer {

namespace {

// "C:\a\b\" names the same folder as "C:\a\b", but its parent would be
// "C:\a\b" itself; the walk up and the rollback need the real parent.
base::FilePath StripTrailingSeparators(const base::FilePath& path) {
  std::wstring value = path.native();
  const size_t root_length = path.root_path().native().size();
  while (value.size() > root_length &&
         (value.back() == L'\\' || value.back() == L'/')) {
    value.pop_back();
  }
  return base::FilePath(value);
}

// A relative path's implicit parent is the working folder: the empty
// parent of "name" would never exist, and the walk up would fail.
base::FilePath ParentFolder(const base::FilePath& path) {
  const base::FilePath parent = path.parent_path();
  return parent.empty() ? base::FilePath(L".") : parent;
}

}  // namespace

CreateFolderOperation::CreateFolderOperation(const base::FilePath& path)
    : path_(StripTrailingSeparators(path)) {}

CreateFolderOperation::~CreateFolderOperation() = default;

bool CreateFolderOperation::Do(Transaction* nested) {
  VLOG(1) << "Attempting to create folder " << path_;
  if (base::DirectoryExists(path_)) {
    VLOG(1) << "Folder already exists";
    return true;
  }

  base::FilePath current = path_;
  while (true) {
    const base::FilePath parent = ParentFolder(current);
    if (base::DirectoryExists(parent)) {
      VLOG(1) << "Valid ancestor";
      if (!base::CreateDirectory(path_)) {
        LOG(ERROR) << "Failed folder creation";
        return false;
      }
      ancestor_ = parent;
      VLOG(1) << "Folder created successfully";
      return true;
    }
    if (parent == current) {
      LOG(ERROR) << "Failed folder creation";
      return false;
    }
    current = parent;
  }
}

void CreateFolderOperation::Rollback() {
  if (ancestor_.empty())
    return;
  base::FilePath folder = path_;
  // A folder that holds something again (RemoveDirectoryW fails) ends the
  // walk, and so does the folder that existed before.
  while (folder != ancestor_ && RemoveDirectoryW(folder.c_str())) {
    const base::FilePath parent = ParentFolder(folder);
    if (parent == folder)
      break;
    folder = parent;
  }
}

}  // namespace installer
