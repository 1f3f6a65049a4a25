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
                                         bool remove_empty_parents,
                                         const base::FilePath& top_folder)
    : path_(path),
      check_in_use_(check_in_use),
      remove_empty_parents_(remove_empty_parents),
      top_folder_(top_folder) {}

DeleteFileOperation::~DeleteFileOperation() {
  if (!done_)
    return;

  VLOG(1) << "Actual removal of " << backup_path_;
  if (!base::DeleteFile(backup_path_, false)) {
    // Most likely still running or loaded: the system deletes it at the next
    // restart instead. Queuing that needs administrator rights, so a
    // per-user install may be left with the backup; say so.
    if (backup_path_.native().size() >= MAX_PATH ||
        !MoveFileExW(backup_path_.c_str(), nullptr,
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
      LOG(WARNING) << "Could not remove " << backup_path_
                   << " now or at the next restart; it is left behind";
    }
  }

  if (remove_empty_parents_) {
    base::FilePath folder = path_.parent_path();
    while (IsWithinTopFolder(folder) && RemoveDirectoryW(folder.c_str())) {
      base::FilePath parent = folder.parent_path();
      if (parent == folder)
        break;
      folder = parent;
    }
  }
}

bool DeleteFileOperation::Do(Transaction* nested) {
  VLOG(1) << "Preparing file " << path_ << " for removal";
  const DWORD attributes = GetFileAttributesW(path_.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    VLOG(1) << "File does not exist. Nothing to do";
    return true;
  }
  // The installer puts only files in place; a folder under a listed name is
  // somebody else's and is not taken away with all it holds.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    LOG(WARNING) << path_ << " is a folder, not a file; it is left alone";
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

bool DeleteFileOperation::IsWithinTopFolder(
    const base::FilePath& folder) const {
  if (top_folder_.empty())
    return true;
  // Compared as text, without regard to case or a trailing separator: the
  // walk only ever climbs from below |top_folder_|.
  auto normal = [](const base::FilePath& path) {
    std::wstring text = base::ToLowerASCII(path.lexically_normal().native());
    while (!text.empty() && (text.back() == L'\\' || text.back() == L'/'))
      text.pop_back();
    return text;
  };
  const std::wstring top = normal(top_folder_);
  const std::wstring current = normal(folder);
  return current == top || (current.size() > top.size() &&
                            current.compare(0, top.size(), top) == 0 &&
                            current[top.size()] == L'\\');
}

bool DeleteFileOperation::IsInUseCandidate() const {
  const std::wstring extension = path_.extension().native();
  return base::EqualsCaseInsensitiveASCII(extension, L".exe") ||
         base::EqualsCaseInsensitiveASCII(extension, L".dll");
}

}  // namespace installer
