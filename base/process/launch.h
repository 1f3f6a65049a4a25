#ifndef BASE_PROCESS_LAUNCH_H_
#define BASE_PROCESS_LAUNCH_H_

#include <windows.h>

#include <string>

#include "base/files/file_path.h"

namespace base {

struct LaunchOptions {
  // Waits until the started process has ended.
  bool wait = false;
  // Starts the process with its first window hidden.
  bool start_hidden = false;
  // The folder the process starts in; empty: the caller's current folder.
  FilePath current_directory;
};

// Starts a process from a whole command line, the way CreateProcessW reads
// it (the program is the first token). Returns the process handle, which the
// caller closes, or null when the process could not be started (logged).
HANDLE LaunchProcess(const std::wstring& command_line,
                     const LaunchOptions& options);

}  // namespace base

#endif  // BASE_PROCESS_LAUNCH_H_
