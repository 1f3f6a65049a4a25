// Finds the notifier's main window for scripts:
//   main_window_tool wait SECONDS   exit 0 once the window exists, 1 if it
//                                   does not appear in time
//   main_window_tool close SECONDS  post WM_CLOSE to it, then exit 0 once it
//                                   is gone, 1 if it stays or never existed
//   main_window_tool command ID     post the menu choice ID (WM_COMMAND)
//   main_window_tool menu X Y       post the tray icon's context-menu event
//                                   with the anchor point X, Y
//   main_window_tool endmenu        close an open popup menu (Escape)
//   main_window_tool popup SECONDS  wait for the hint pop-up to be visible
//                                   and print "left top right bottom
//                                   work_right work_bottom topmost"; exit 1
//                                   if it does not show in time

#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "desktop/windows/tavrin/test/main_window_finder.h"

namespace {

constexpr UINT kTrayCallbackMessage = WM_USER + 1;
constexpr wchar_t kPopupClass[] =
    L"Ulvena Tavrin Notification Embedded Browser Window Class";
constexpr wchar_t kPopupTitle[] =
    L"Ulvena Tavrin Notification Embedded Browser Window";

bool WaitFor(bool present, int seconds) {
  return (tavrin_test::WaitForMainWindow(present, seconds) != nullptr) ==
         present;
}

// Scripts compare the pop-up's place with the work area themselves.
int PrintPopup(int seconds) {
  HWND popup = nullptr;
  for (int i = 0; i < seconds * 20 && !(popup && ::IsWindowVisible(popup));
       ++i) {
    ::Sleep(50);
    popup = ::FindWindowW(kPopupClass, kPopupTitle);
  }
  RECT placed = {};
  RECT work_area = {};
  if (!popup || !::IsWindowVisible(popup) || !::GetWindowRect(popup, &placed) ||
      !::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work_area, 0)) {
    return 1;
  }
  const bool topmost = ::GetWindowLongW(popup, GWL_EXSTYLE) & WS_EX_TOPMOST;
  std::printf("%ld %ld %ld %ld %ld %ld %d\n", placed.left, placed.top,
              placed.right, placed.bottom, work_area.right, work_area.bottom,
              topmost ? 1 : 0);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && wcscmp(argv[1], L"endmenu") == 0) {
    HWND menu = ::FindWindowW(L"#32768", nullptr);
    return menu && ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0) ? 0 : 1;
  }
  if (argc == 4 && wcscmp(argv[1], L"menu") == 0) {
    HWND window = tavrin_test::FindMainWindow();
    WPARAM anchor = MAKEWPARAM(_wtoi(argv[2]), _wtoi(argv[3]));
    return window && ::PostMessageW(window, kTrayCallbackMessage, anchor,
                                    MAKELPARAM(WM_CONTEXTMENU, 1))
               ? 0
               : 1;
  }
  if (argc != 3)
    return 2;
  if (wcscmp(argv[1], L"command") == 0) {
    HWND window = tavrin_test::FindMainWindow();
    return window && ::PostMessageW(window, WM_COMMAND,
                                    MAKEWPARAM(_wtoi(argv[2]), 0), 0)
               ? 0
               : 1;
  }
  int seconds = _wtoi(argv[2]);
  if (wcscmp(argv[1], L"popup") == 0)
    return PrintPopup(seconds);
  if (wcscmp(argv[1], L"wait") == 0)
    return WaitFor(true, seconds) ? 0 : 1;
  if (wcscmp(argv[1], L"close") == 0) {
    HWND window = tavrin_test::FindMainWindow();
    if (!window || !::PostMessageW(window, WM_CLOSE, 0, 0))
      return 1;
    return WaitFor(false, seconds) ? 0 : 1;
  }
  return 2;
}
