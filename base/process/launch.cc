#include "base/process/launch.h"

#include <vector>

#include "base/logging.h"

namespace base {

HANDLE LaunchProcess(const std::wstring& command_line,
                     const LaunchOptions& options) {
  STARTUPINFOW startup_info = {};
  startup_info.cb = sizeof(startup_info);
  if (options.start_hidden) {
    startup_info.dwFlags = STARTF_USESHOWWINDOW;
    startup_info.wShowWindow = SW_HIDE;
  }
  // CreateProcessW may write into the command line, so it gets a copy.
  std::vector<wchar_t> writable(command_line.begin(), command_line.end());
  writable.push_back(L'\0');
  PROCESS_INFORMATION process_info = {};
  const wchar_t* current_directory = options.current_directory.empty()
                                         ? nullptr
                                         : options.current_directory.c_str();
  if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, current_directory, &startup_info,
                        &process_info)) {
    PLOG(ERROR) << "Failed to start " << command_line;
    return nullptr;
  }
  ::CloseHandle(process_info.hThread);
  if (options.wait)
    ::WaitForSingleObject(process_info.hProcess, INFINITE);
  return process_info.hProcess;
}

}  // namespace base
