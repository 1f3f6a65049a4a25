#include "desktop/windows/tavrin/test/main_window_finder.h"

namespace tavrin_test {

HWND FindMainWindow() {
  return ::FindWindowW(kMainWindowClass, kMainWindowTitle);
}

HWND WaitForMainWindow(bool present, int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    HWND window = FindMainWindow();
    if ((window != nullptr) == present)
      return window;
    ::Sleep(50);
  }
  return FindMainWindow();
}

}  // namespace tavrin_test
