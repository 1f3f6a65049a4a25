#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_VALUE_RECORD_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_VALUE_RECORD_H_

#include <string>

namespace installer {

// One registry value written by an installation. All fields are UTF-8.
struct RegistryValueRecord {
  RegistryValueRecord();
  RegistryValueRecord(const std::string& type,
                      const std::string& name,
                      const std::string& data);
  RegistryValueRecord(const RegistryValueRecord& other);
  RegistryValueRecord& operator=(const RegistryValueRecord& other);
  ~RegistryValueRecord();

  bool operator==(const RegistryValueRecord& other) const = default;

  // The registry type name, such as "REG_SZ" or "REG_DWORD".
  std::string type;
  // Empty for the key's default value.
  std::string name;
  // The data as text: the string itself, hex digits of a number or bytes.
  std::string data;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_VALUE_RECORD_H_
