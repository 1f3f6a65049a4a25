#include "tests/test/program_runner.h"

#include <windows.h>

#include <vector>

namespace tavrin_test {

namespace {

// How often the child's end is checked while nothing else happens.
constexpr DWORD kPollIntervalMs = 10;

// Reads what the pipe holds now without waiting for more. The pipe is polled
// rather than read to its end because a program may hand its output handle
// on to a program of its own that outlives it.
void ReadAvailable(HANDLE pipe, std::string* output) {
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) ||
        available == 0) {
      return;
    }
    std::vector<char> buffer(available);
    DWORD read = 0;
    if (!ReadFile(pipe, buffer.data(), available, &read, nullptr) ||
        read == 0) {
      return;
    }
    output->append(buffer.data(), read);
  }
}

}  // namespace

ProgramResult RunProgram(const base::FilePath& program,
                         const std::wstring& arguments,
                         base::TimeDelta timeout) {
  ProgramResult result;

  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inheritable, 0)) {
    result.start_error = GetLastError();
    return result;
  }
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  HANDLE null_device = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inheritable, OPEN_EXISTING, 0, nullptr);

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = null_device;
  startup.hStdOutput = write_end;
  startup.hStdError = null_device;

  std::wstring command_line = L"\"" + program.native() + L"\"";
  if (!arguments.empty())
    command_line += L" " + arguments;

  PROCESS_INFORMATION process = {};
  const BOOL created =
      CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr,
                     /*bInheritHandles=*/TRUE, CREATE_NO_WINDOW, nullptr,
                     nullptr, &startup, &process);
  if (!created)
    result.start_error = GetLastError();
  // Only the child holds the write end now, so its output is all there is.
  CloseHandle(write_end);
  if (null_device != INVALID_HANDLE_VALUE)
    CloseHandle(null_device);
  if (!created) {
    CloseHandle(read_end);
    return result;
  }
  result.started = true;
  CloseHandle(process.hThread);

  const ULONGLONG deadline = GetTickCount64() + timeout.InMilliseconds();
  for (;;) {
    ReadAvailable(read_end, &result.output);
    if (WaitForSingleObject(process.hProcess, kPollIntervalMs) ==
        WAIT_OBJECT_0) {
      break;
    }
    if (GetTickCount64() >= deadline) {
      result.timed_out = true;
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, 5000);
      break;
    }
  }
  ReadAvailable(read_end, &result.output);

  DWORD exit_code = 0;
  GetExitCodeProcess(process.hProcess, &exit_code);
  result.exit_code = exit_code;
  CloseHandle(process.hProcess);
  CloseHandle(read_end);
  return result;
}

base::FilePath GetProgramNextToTest(const std::wstring& file_name) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(),
                                            static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return base::FilePath(path).parent_path() / file_name;
}

HANDLE StartProgram(const base::FilePath& program,
                    const std::wstring& arguments) {
  std::wstring command_line = L"\"" + program.native() + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return nullptr;
  }
  ::CloseHandle(info.hThread);
  return info.hProcess;
}

DWORD ExitCodeAfter(HANDLE process, DWORD ms) {
  DWORD code = STILL_ACTIVE;
  if (::WaitForSingleObject(process, ms) == WAIT_OBJECT_0)
    ::GetExitCodeProcess(process, &code);
  return code;
}

}  // namespace tavrin_test
