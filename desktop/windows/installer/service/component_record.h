#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_COMPONENT_RECORD_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_COMPONENT_RECORD_H_

#include <string>

namespace installer {

// A named component of an installation and where it lives.
struct ComponentRecord {
  ComponentRecord();
  ComponentRecord(const std::string& name, const std::wstring& path);
  ComponentRecord(const ComponentRecord& other);
  ComponentRecord& operator=(const ComponentRecord& other);
  ~ComponentRecord();

  bool operator==(const ComponentRecord& other) const = default;

  std::string name;
  std::wstring path;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_COMPONENT_RECORD_H_
