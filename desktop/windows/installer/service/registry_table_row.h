#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_TABLE_ROW_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_TABLE_ROW_H_

#include <windows.h>

#include <cstdint>

namespace installer {

// The type of a table row: two deletions, then the system's REG_* numbers
// that a row may write.
enum RegistryRowType {
  REGISTRY_ROW_DELETE_KEY = -2,
  REGISTRY_ROW_DELETE_VALUE = -1,
  REGISTRY_ROW_NONE = 0,           // REG_NONE
  REGISTRY_ROW_STRING = 1,         // REG_SZ
  REGISTRY_ROW_EXPAND_STRING = 2,  // REG_EXPAND_SZ
  REGISTRY_ROW_BINARY = 3,         // REG_BINARY
  REGISTRY_ROW_DWORD = 4,          // REG_DWORD
};

// The data of a row; which member is meant follows the row's type.
union RegistryRowData {
  // Types 1 and 2; may hold variables in braces.
  const wchar_t* text;
  // Type 3: the bytes of the text, without its terminating zero.
  const char* bytes;
  // Type 4; never negative.
  int32_t number;
};

// One row of a static registry table. Rows are written with designated
// data, for example {.number = 9000}.
struct RegistryTableRow {
  // Below the root; may hold variables in braces.
  const wchar_t* key_path;
  // Null for the key's default value; may hold variables in braces.
  const wchar_t* value_name;
  // A RegistryRowType.
  int type;
  RegistryRowData data;
  // A base::win::Version: the oldest system the row applies to.
  int min_os_version;
  // The one root the row applies to; null for any.
  HKEY root;
  // The lowest release stream the row applies to.
  int min_stream;
  // Stored with the key in the install log for the cleanup.
  int clean_depth;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_TABLE_ROW_H_
