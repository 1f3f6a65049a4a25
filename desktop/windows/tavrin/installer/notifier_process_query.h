#ifndef DESKTOP_WINDOWS_TAVRIN_INSTALLER_NOTIFIER_PROCESS_QUERY_H_
#define DESKTOP_WINDOWS_TAVRIN_INSTALLER_NOTIFIER_PROCESS_QUERY_H_

#include <windows.h>

#include <string>
#include <vector>

namespace installer {

// The WQL query for every process whose executable is tavrin.exe in
// |install_folder|. Empty when the folder holds no backslash, since such a
// folder can be no process's executable path.
std::wstring BuildNotifierProcessQuery(const std::wstring& install_folder);

// The ids of the running processes whose executable is tavrin.exe in
// |install_folder|, asked of WMI with the query above. Empty when WMI fails
// (each failing step logs its own line) or names none.
std::vector<DWORD> QueryNotifierProcessIds(const std::wstring& install_folder);

// |text| as the inside of a WQL string literal in apostrophes: a backslash
// and an apostrophe are each preceded by a backslash.
std::wstring EscapeForWqlString(const std::wstring& text);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_TAVRIN_INSTALLER_NOTIFIER_PROCESS_QUERY_H_
