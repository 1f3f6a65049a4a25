#ifndef DESKTOP_WINDOWS_TAVRIN_TEST_TRAY_KEEPER_H_
#define DESKTOP_WINDOWS_TAVRIN_TEST_TRAY_KEEPER_H_

#include <windows.h>

namespace tavrin_test {

// Keeps an icon of its own in the tray while it lives. Under Xvfb there is
// no window manager, and Wine's tray window waits two seconds for one each
// time it is hidden or shown, which it is whenever its last icon goes or its
// first one comes; with this icon there it stays up between tests.
class TrayKeeper {
 public:
  TrayKeeper();
  TrayKeeper(const TrayKeeper&) = delete;
  TrayKeeper& operator=(const TrayKeeper&) = delete;
  ~TrayKeeper();

 private:
  HWND window_ = nullptr;
};

}  // namespace tavrin_test

#endif  // DESKTOP_WINDOWS_TAVRIN_TEST_TRAY_KEEPER_H_
