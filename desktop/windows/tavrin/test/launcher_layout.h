#ifndef DESKTOP_WINDOWS_TAVRIN_TEST_LAUNCHER_LAYOUT_H_
#define DESKTOP_WINDOWS_TAVRIN_TEST_LAUNCHER_LAYOUT_H_

#include <string>
#include <vector>

#include "base/files/file_path.h"

// Pieces of a browser installation for the notifier's tests. The programs
// and the hint content they copy are the ones the build puts next to the
// test program.
namespace tavrin_test {

// Copies our stand-in launcher into |folder| as launcher.exe.
bool InstallFakeLauncher(const base::FilePath& folder);

// Copies the shipped hint content folder to |destination| (a folder that
// does not exist yet).
bool CopyHintContent(const base::FilePath& destination);

// The command line with which a notifier in |exe_dir| starts the launcher
// above it, followed by |tail|, as the stand-in records it (UTF-8).
std::string LauncherCommandFor(const base::FilePath& exe_dir,
                               const std::string& tail);

// The command lines that the stand-in in |folder| has recorded, once there
// are at least |count| of them or 10 seconds have passed.
std::vector<std::string> WaitForLauncherCalls(const base::FilePath& folder,
                                              size_t count);

}  // namespace tavrin_test

#endif  // DESKTOP_WINDOWS_TAVRIN_TEST_LAUNCHER_LAYOUT_H_
