#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_H_

#include <string>
#include <vector>

#include "desktop/windows/installer/service/component_record.h"
#include "desktop/windows/installer/service/registry_key_record.h"

namespace installer {

// What one installation did: where it went, with which choices, which files
// it copied and which registry values it wrote. Kept on disk as
// installation_status.xml by InstallLogSerializer.
struct InstallLog {
  InstallLog();
  InstallLog(const InstallLog& other);
  InstallLog& operator=(const InstallLog& other);
  ~InstallLog();

  bool operator==(const InstallLog& other) const = default;

  // Only files were copied: no registry values, no scheduled task.
  bool copy_only = false;
  // Installed for all users, under the machine-wide registry root.
  bool all_users = true;
  bool pinned = false;
  // The Unix time in seconds of the installation's first install, UTF-8.
  std::string app_id;
  std::wstring install_path;
  // Holds the listed files, relative to |install_path|; empty for the
  // install folder itself.
  std::wstring subfolder;
  std::string version;
  std::wstring desktop_shortcut;
  std::wstring menu_shortcut;
  std::wstring quick_launch_shortcut;
  // File names relative to |install_path| and |subfolder|, in the order they
  // were installed.
  std::vector<std::wstring> files;
  std::vector<std::wstring> root_files;
  std::vector<ComponentRecord> components;
  std::vector<RegistryKeyRecord> hklm_keys;
  std::vector<RegistryKeyRecord> hkcu_keys;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_H_
