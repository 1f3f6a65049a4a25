// Planted by a test under the name of a command that the uninstall script
// runs (tasklist.exe, find.exe, ping.exe, chcp.com), in the folder the
// script's cmd starts in, where it must never be started: creates a file
// named after itself in the folder that TAVRIN_TEST_RAN_FOLDER names, prints
// nothing and exits 1, so that a script that did start it (as find.exe)
// takes the installer for ended instead of waiting for ever.

#include <windows.h>

#include <string>

int wmain() {
  wchar_t folder[MAX_PATH];
  const DWORD folder_length =
      ::GetEnvironmentVariableW(L"TAVRIN_TEST_RAN_FOLDER", folder, MAX_PATH);
  wchar_t self[MAX_PATH];
  const DWORD self_length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (folder_length == 0 || folder_length >= MAX_PATH || self_length == 0 ||
      self_length >= MAX_PATH) {
    return 1;
  }
  std::wstring name(self, self_length);
  name = name.substr(name.find_last_of(L'\\') + 1);
  HANDLE file = ::CreateFileW(
      (std::wstring(folder, folder_length) + L"\\" + name + L".ran").c_str(),
      GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE)
    ::CloseHandle(file);
  return 1;
}
