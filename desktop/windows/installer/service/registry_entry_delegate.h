#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_ENTRY_DELEGATE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_ENTRY_DELEGATE_H_

#include <windows.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/service/registry_key_record.h"

namespace installer {

// What a RegistryEntry needs from the installer that uses it.
class RegistryEntryDelegate {
 public:
  virtual ~RegistryEntryDelegate() = default;

  // The text that "{name}" stands for. |name| comes without the braces.
  virtual std::wstring ResolveVariable(const std::wstring& name) = 0;

  // The install-log list in which values written under |root| are recorded;
  // null when nothing is to be recorded.
  virtual std::vector<RegistryKeyRecord>* GetRegistryLog(HKEY root) = 0;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_ENTRY_DELEGATE_H_
