#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_JOB_FILE_ACCESS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_JOB_FILE_ACCESS_H_

#include <windows.h>

#include <aclapi.h>

#include <string>

namespace installer {

// Lets Authenticated Users read and run the job file of a task that runs
// for every user. Failures leave the file as it was and are not reported:
// the task stays registered either way.
void GrantJobFileAccess(const std::wstring& job_file);

// |dacl| plus an entry granting GENERIC_READ | GENERIC_EXECUTE to
// Authenticated Users, without inheritance. The caller frees |new_dacl|
// with LocalFree.
bool AddAuthenticatedUsersReadExecute(PACL dacl, PACL* new_dacl);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_JOB_FILE_ACCESS_H_
