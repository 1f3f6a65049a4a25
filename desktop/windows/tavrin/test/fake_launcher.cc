// Stands in for the browser's launcher.exe in tests and the demo: appends its
// whole command line, as UTF-8 and followed by a line feed, to
// launcher_calls.txt in its own folder, and exits 0.

#include <windows.h>

#include <string>

namespace {

std::string ToUtf8(const wchar_t* text) {
  int size =
      ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) {
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr,
                          nullptr);
  }
  return utf8;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  wchar_t path[MAX_PATH];
  DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length == MAX_PATH)
    return 1;
  std::wstring record(path, length);
  record =
      record.substr(0, record.find_last_of(L'\\') + 1) + L"launcher_calls.txt";
  HANDLE file =
      ::CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return 1;
  std::string line = ToUtf8(::GetCommandLineW()) + "\n";
  DWORD written = 0;
  BOOL ok = ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()),
                        &written, nullptr);
  ::CloseHandle(file);
  return ok && written == line.size() ? 0 : 1;
}
