// Finds the notifier's main window for scripts:
//   main_window_tool wait SECONDS   exit 0 once the window exists, 1 if it
//                                   does not appear in time
//   main_window_tool close SECONDS  post WM_CLOSE to it, then exit 0 once it
//                                   is gone, 1 if it stays or never existed
//   main_window_tool command ID     post the menu choice ID (WM_COMMAND)
//   main_window_tool menu X Y       post the tray icon's context-menu event
//                                   with the anchor point X, Y
//   main_window_tool endmenu        close an open popup menu (Escape)

#include <windows.h>

#include <cwchar>

#include "desktop/windows/tavrin/test/main_window_finder.h"

namespace {

constexpr UINT kTrayCallbackMessage = WM_USER + 1;

bool WaitFor(bool present, int seconds) {
  return (tavrin_test::WaitForMainWindow(present, seconds) != nullptr) ==
         present;
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
