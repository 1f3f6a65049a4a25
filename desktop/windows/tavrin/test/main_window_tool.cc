// Finds the notifier's main window for scripts:
//   main_window_tool wait SECONDS   exit 0 once the window exists, 1 if it
//                                   does not appear in time
//   main_window_tool close SECONDS  post WM_CLOSE to it, then exit 0 once it
//                                   is gone, 1 if it stays or never existed

#include <windows.h>

#include <cwchar>

namespace {

constexpr wchar_t kClassName[] = L"Ulvena Tavrin Main Window Class";
constexpr wchar_t kWindowTitle[] = L"Ulvena Tavrin Main Window";

bool WaitFor(bool present, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if ((::FindWindowW(kClassName, kWindowTitle) != nullptr) == present)
      return true;
    ::Sleep(100);
  }
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3)
    return 2;
  int seconds = _wtoi(argv[2]);
  if (wcscmp(argv[1], L"wait") == 0)
    return WaitFor(true, seconds) ? 0 : 1;
  if (wcscmp(argv[1], L"close") == 0) {
    HWND window = ::FindWindowW(kClassName, kWindowTitle);
    if (!window || !::PostMessageW(window, WM_CLOSE, 0, 0))
      return 1;
    return WaitFor(false, seconds) ? 0 : 1;
  }
  return 2;
}
