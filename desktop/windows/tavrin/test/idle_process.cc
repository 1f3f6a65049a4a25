// A program without windows that does nothing until it is ended from
// outside, or until the number of seconds given as its only argument has
// passed (default 120), so that a test that dies cannot leave it running for
// good. Tests copy it under the name of a browser (ulvena.exe, chrome.exe,
// ...) so that WMI lists a process by that name.

#include <windows.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t* arguments, int) {
  long seconds = 120;
  if (arguments && *arguments) {
    long given = std::wcstol(arguments, nullptr, 10);
    if (given > 0)
      seconds = given;
  }
  ::Sleep(static_cast<DWORD>(seconds) * 1000);
  return 0;
}
