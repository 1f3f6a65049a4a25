#ifndef DESKTOP_WINDOWS_TAVRIN_TEST_LAUNCHER_LAYOUT_H_
#define DESKTOP_WINDOWS_TAVRIN_TEST_LAUNCHER_LAYOUT_H_

#include <string>
#include <vector>

#include "base/files/file_path.h"

namespace tavrin_test {

// |file_name| in the folder of the running test program.
base::FilePath ProgramNextToTest(const std::wstring& file_name);

// Copies our stand-in launcher into |folder| as launcher.exe.
bool InstallFakeLauncher(const base::FilePath& folder);

// The command lines that the stand-in in |folder| has recorded, once there
// are at least |count| of them or 10 seconds have passed.
std::vector<std::string> WaitForLauncherCalls(const base::FilePath& folder,
                                              size_t count);

}  // namespace tavrin_test

#endif  // DESKTOP_WINDOWS_TAVRIN_TEST_LAUNCHER_LAYOUT_H_
