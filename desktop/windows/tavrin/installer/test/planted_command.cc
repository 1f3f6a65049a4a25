// Stands in for tasklist.exe, which Wine only stubs, when a test puts it
// first on the PATH under that name: writes the folder it was started in,
// as UTF-8, to the file that TAVRIN_TEST_CURRENT_FOLDER_FILE names, prints
// nothing, so that the uninstall script takes the installer for ended, and
// exits 0.

#include <windows.h>

#include <string>

int wmain() {
  wchar_t record[MAX_PATH];
  const DWORD record_length = ::GetEnvironmentVariableW(
      L"TAVRIN_TEST_CURRENT_FOLDER_FILE", record, MAX_PATH);
  if (record_length == 0 || record_length >= MAX_PATH)
    return 1;
  wchar_t folder[MAX_PATH];
  const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, folder);
  if (length == 0 || length >= MAX_PATH)
    return 1;
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, folder, length, nullptr, 0,
                                         nullptr, nullptr);
  std::string utf8(size, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, folder, length, utf8.data(), size, nullptr,
                        nullptr);
  HANDLE file = ::CreateFileW(record, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return 1;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, utf8.data(), static_cast<DWORD>(size),
                              &written, nullptr);
  ::CloseHandle(file);
  return ok && written == static_cast<DWORD>(size) ? 0 : 1;
}
