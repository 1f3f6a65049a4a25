#include "base/files/scoped_temp_dir.h"

#include "base/files/file_util.h"
#include "base/logging.h"

namespace base {

ScopedTempDir::ScopedTempDir() = default;

ScopedTempDir::~ScopedTempDir() {
  if (!path_.empty() && !Delete())
    LOG(WARNING) << "Could not delete temp dir " << path_;
}

bool ScopedTempDir::CreateUniqueTempDir() {
  FilePath temp_dir;
  return path_.empty() && GetTempDir(&temp_dir) &&
         CreateUniqueTempDirUnderPath(temp_dir);
}

bool ScopedTempDir::CreateUniqueTempDirUnderPath(const FilePath& base_path) {
  if (!path_.empty())
    return false;
  if (!CreateDirectory(base_path))
    return false;
  return CreateTemporaryDirInDir(base_path, L"scoped_dir_", &path_);
}

bool ScopedTempDir::Delete() {
  if (path_.empty())
    return false;
  if (!DeleteFile(path_, true))
    return false;
  path_.clear();
  return true;
}

}  // namespace base
