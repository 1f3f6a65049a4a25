#ifndef DESKTOP_WINDOWS_TAVRIN_MAIN_WINDOW_H_
#define DESKTOP_WINDOWS_TAVRIN_MAIN_WINDOW_H_

#include <windows.h>

#include <shellapi.h>

#include "desktop/windows/tavrin/base_window.h"

// The notifier's hidden main window. It owns the tray icon and its menu, and
// its class and title are how a second notifier and the installer find a
// running one (to stay away, or to close it with WM_CLOSE).
class MainWindow : public BaseWindow {
 public:
  static constexpr wchar_t kClassName[] = L"Ulvena Tavrin Main Window Class";
  static constexpr wchar_t kWindowTitle[] = L"Ulvena Tavrin Main Window";
  static constexpr UINT kClassStyle = CS_OWNDC;
  static constexpr DWORD kStyle = WS_DISABLED;
  static constexpr DWORD kExStyle = WS_EX_NOPARENTNOTIFY;

  static constexpr UINT kTrayIconId = 1;
  static constexpr UINT kTrayCallbackMessage = WM_USER + 1;
  static constexpr WORD kIconResourceId = 1;
  // Menu items.
  static constexpr UINT kLaunchCommand = 100;
  static constexpr UINT kCloseCommand = 101;
  // String ids of the tray tip and the menu texts.
  static constexpr UINT kTrayTipStringId = 38028;
  static constexpr UINT kCloseStringId = 38029;
  static constexpr UINT kLaunchStringId = 38030;

  MainWindow();
  ~MainWindow();

  LRESULT OnMessage(HWND hwnd,
                    UINT message,
                    WPARAM wparam,
                    LPARAM lparam) override;
  // Adds the tray icon; false (no window) when the shell refuses it.
  bool OnCreate() override;

  // One tray event (version-4 layout); |x|, |y| is its anchor point on the
  // screen.
  void OnTrayNotification(UINT event, int x, int y);

  // Tests only: the tray calls go to |function| instead of the shell's
  // Shell_NotifyIconW (null restores it).
  using ShellNotifyIconFunction = BOOL(WINAPI*)(DWORD message,
                                                NOTIFYICONDATAW* data);
  static void SetShellNotifyIconForTesting(ShellNotifyIconFunction function);
};

#endif  // DESKTOP_WINDOWS_TAVRIN_MAIN_WINDOW_H_
