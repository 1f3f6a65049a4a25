#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_KEY_RECORD_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_KEY_RECORD_H_

#include <string>
#include <vector>

#include "desktop/windows/installer/service/registry_value_record.h"

namespace installer {

// One registry key under one hive, with the values an installation wrote
// there in the order it wrote them.
struct RegistryKeyRecord {
  RegistryKeyRecord();
  RegistryKeyRecord(int clean_depth, const std::string& path);
  RegistryKeyRecord(const RegistryKeyRecord& other);
  RegistryKeyRecord& operator=(const RegistryKeyRecord& other);
  ~RegistryKeyRecord();

  bool operator==(const RegistryKeyRecord& other) const = default;

  // How much of the key the uninstaller removes.
  int clean_depth = 0;
  // The key below the hive root, UTF-8.
  std::string path;
  std::vector<RegistryValueRecord> values;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_KEY_RECORD_H_
