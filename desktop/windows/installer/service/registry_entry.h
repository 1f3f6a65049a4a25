#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_ENTRY_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_ENTRY_H_

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/registry_key_record.h"
#include "desktop/windows/installer/service/registry_table_row.h"

namespace installer {

class Operation;
class RegistryEntryDelegate;

// Turns one registry table row into the operation that writes or deletes
// it, and records each value it is about to write in the install log that
// the delegate hands out. Made for one call and dropped after it.
class RegistryEntry {
 public:
  // |delegate| is not owned and must outlive the entry.
  RegistryEntry(const RegistryTableRow& row, RegistryEntryDelegate* delegate);
  RegistryEntry(const RegistryEntry&) = delete;
  RegistryEntry& operator=(const RegistryEntry&) = delete;
  ~RegistryEntry();

  // The operation for the row under |root|, which the caller owns: true with
  // an operation when the row applies, true without one when it does not
  // (older system, another root, higher release stream), false for a type
  // that no row may have. A value is recorded in the log before anybody runs
  // its operation. A negative number in a REG_DWORD row is a fault of the
  // table and ends the program.
  bool CreateOperation(HKEY root, std::unique_ptr<Operation>* operation);

  // |text| with every "{name}" replaced by the delegate's text for it; null
  // reads as empty. Inserted text is not searched again, so the expansion
  // ends whatever the delegate answers. An unclosed brace stays as it is.
  std::wstring ExpandVariables(const wchar_t* text);

 private:
  // Adds one value record to the key record of |key_path| in |log|, made
  // when no record matches the path without regard to ASCII case.
  static void RecordRegistryValue(const std::wstring& key_path,
                                  std::vector<RegistryKeyRecord>* log,
                                  const std::wstring& value_name,
                                  const BYTE* data,
                                  int type,
                                  DWORD size,
                                  int clean_depth);

  RegistryTableRow row_;
  RegistryEntryDelegate* delegate_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_ENTRY_H_
