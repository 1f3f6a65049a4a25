#ifndef DESKTOP_WINDOWS_TAVRIN_INSTALLER_INSTALLED_FILE_PATH_H_
#define DESKTOP_WINDOWS_TAVRIN_INSTALLER_INSTALLED_FILE_PATH_H_

#include <string>

#include "base/files/file_path.h"

namespace installer {

// True when |relative| names something strictly below the folder it is
// taken against: no drive, no root, no "..", no stream name. An empty text
// is accepted only when |allow_empty|.
bool IsPathInsideFolder(const std::wstring& relative, bool allow_empty);

// The full path of a file that an install log or a file list names:
// |install_folder|, then |subfolder| (may be empty), then |name|. False when
// either piece could reach outside |install_folder|: an install log is data
// from disk, and an uninstall must never delete anything that is not ours.
bool BuildInstalledFilePath(const base::FilePath& install_folder,
                            const std::wstring& subfolder,
                            const std::wstring& name,
                            base::FilePath* path);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_TAVRIN_INSTALLER_INSTALLED_FILE_PATH_H_
