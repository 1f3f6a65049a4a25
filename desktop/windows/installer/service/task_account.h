#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_ACCOUNT_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_ACCOUNT_H_

#include <string>

namespace installer {

// The account a per-user task is registered for, as "DOMAIN\user"
// (GetUserNameSamCompatible), through a seam: a test cannot make the real
// lookup fail.
bool GetTaskAccountName(std::wstring* name);

// Tests only: |function| answers GetTaskAccountName from now on; null
// restores the real lookup.
using TaskAccountNameFunction = bool (*)(std::wstring* name);
void SetTaskAccountNameFunctionForTesting(TaskAccountNameFunction function);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_ACCOUNT_H_
