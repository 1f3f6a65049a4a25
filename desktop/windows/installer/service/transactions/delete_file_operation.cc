#include "desktop/windows/installer/service/transactions/delete_file_operation.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/time/time.h"
#include "desktop/windows/installer/service/access_rights.h"

namespace installer {

namespace {

// FILE_GENERIC_WRITE with DELETE: what moving the file aside takes.
constexpr DWORD kDeleteAccess = FILE_GENERIC_WRITE | DELETE;

}  // namespace

DeleteFileOperation::DeleteFileOperation(const base::FilePath& path,
                                         bool check_in_use,
                                         bool remove_empty_parents)
    : path_(path),
      check_in_use_(check_in_use),
      remove_empty_parents_(remove_empty_parents) {}

DeleteFileOperation::~DeleteFileOperation() {
  if (!done_)
    return;

  VLOG(1) << "Actual removal of " << backup_path_;
  if (!base::DeleteFile(backup_path_, true) &&
      backup_path_.native().size() < MAX_PATH) {
    // Most likely still running or loaded: the system deletes it at the next
    // restart instead.
    MoveFileExW(backup_path_.c_str(), nullptr,
                MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
  }

  if (remove_empty_parents_) {
    base::FilePath folder = path_.parent_path();
    while (RemoveDirectoryW(folder.c_str())) {
      base::FilePath parent = folder.parent_path();
      if (parent == folder)
        break;
      folder = parent;
    }
  }
}

bool DeleteFileOperation::Do(Transaction* nested) {
  VLOG(1) << "Preparing file " << path_ << " for removal";
  if (GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
    VLOG(1) << "File does not exist. Nothing to do";
    return true;
  }

  backup_path_ = path_;
  backup_path_ +=
      L"." + base::NumberToWString(base::Time::Now().ToTimeT()) + L".old";
  if (base::PathExists(backup_path_)) {
    LOG(ERROR) << "Temporary file with name" << backup_path_
               << "already exists";
    return false;
  }

  if (!HasAccess(path_.native(), SE_FILE_OBJECT, kDeleteAccess)) {
    std::unique_ptr<SavedSecurity> saved;
    if (!GrantCurrentUserAccess(path_.native(), SE_FILE_OBJECT, kDeleteAccess,
                                true, &saved)) {
      LOG(ERROR) << "Cannot obtain proper permissions on the file";
      return false;
    }
  }

  if (!base::Move(path_, backup_path_)) {
    LOG(ERROR) << "File removal failed";
    return false;
  }
  VLOG(1) << "File moved successfully to " << backup_path_;

  if (check_in_use_ && IsInUseCandidate()) {
    // A running program or a loaded library can be renamed but not opened
    // for writing; such a file has to stay where it was.
    HANDLE file =
        CreateFileW(backup_path_.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      PLOG(ERROR) << "Attempt to open the file for writing failed";
      base::Move(backup_path_, path_);
      LOG(ERROR) << "File removal failed";
      return false;
    }
    CloseHandle(file);
  }

  done_ = true;
  return true;
}

void DeleteFileOperation::Rollback() {
  if (!done_)
    return;
  base::Move(backup_path_, path_);
  // Whether or not the file got back, the commit must not delete it now.
  done_ = false;
}

bool DeleteFileOperation::IsInUseCandidate() const {
  const std::wstring extension = path_.extension().native();
  return base::EqualsCaseInsensitiveASCII(extension, L".exe") ||
         base::EqualsCaseInsensitiveASCII(extension, L".dll");
}

}  // namespace installer
