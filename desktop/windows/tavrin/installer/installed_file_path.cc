#include "desktop/windows/tavrin/installer/installed_file_path.h"

namespace installer {

namespace {

// Windows drops trailing dots and blanks from a path component, so ". ."
// or "..." can act as "..": a component made of nothing else is refused.
bool IsDotsOrBlanksOnly(const std::wstring& component) {
  return component.find_first_not_of(L". ") == std::wstring::npos;
}

}  // namespace

bool IsPathInsideFolder(const std::wstring& relative, bool allow_empty) {
  if (relative.empty())
    return allow_empty;
  // A colon makes a drive ("C:x") or an alternate data stream.
  if (relative.find(L':') != std::wstring::npos)
    return false;
  const base::FilePath path(relative);
  if (path.has_root_name() || path.has_root_directory())
    return false;
  std::wstring component;
  for (size_t i = 0; i <= relative.size(); ++i) {
    if (i == relative.size() || relative[i] == L'\\' || relative[i] == L'/') {
      if (!component.empty() && IsDotsOrBlanksOnly(component))
        return false;
      component.clear();
    } else {
      component += relative[i];
    }
  }
  return true;
}

bool BuildInstalledFilePath(const base::FilePath& install_folder,
                            const std::wstring& subfolder,
                            const std::wstring& name,
                            base::FilePath* path) {
  if (!IsPathInsideFolder(subfolder, true) || !IsPathInsideFolder(name, false))
    return false;
  base::FilePath result = install_folder;
  if (!subfolder.empty())
    result /= subfolder;
  result /= name;
  *path = result;
  return true;
}

}  // namespace installer
