#include "desktop/windows/tavrin/main_window.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

#include "desktop/windows/rc_l10n_handler/rc_l10n_handler.h"
#include "desktop/windows/tavrin/analytics/analytics.h"
#include "desktop/windows/tavrin/notification_manager.h"
#include "desktop/windows/tavrin/popup_menu.h"
#include "desktop/windows/tavrin/tavrin_main_controller.h"

namespace {

MainWindow::ShellNotifyIconFunction g_shell_notify_icon = nullptr;

BOOL ShellNotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
  return g_shell_notify_icon ? g_shell_notify_icon(message, data)
                             : ::Shell_NotifyIconW(message, data);
}

}  // namespace

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() {
  DestroyWindowIfExists();
}

// static
void MainWindow::SetShellNotifyIconForTesting(
    ShellNotifyIconFunction function) {
  g_shell_notify_icon = function;
}

bool MainWindow::OnCreate() {
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = hwnd();
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  HINSTANCE instance =
      reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(hwnd(), GWLP_HINSTANCE));
  data.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(kIconResourceId));
  // The tip field holds 127 characters and the terminating null.
  std::wstring tip = RcL10nHandler::GetInstance()->GetString(kTrayTipStringId);
  size_t length = std::min(tip.size(), std::size(data.szTip) - 1);
  std::copy_n(tip.begin(), length, data.szTip);
  data.szTip[length] = L'\0';
  if (!ShellNotifyIcon(NIM_ADD, &data))
    return false;
  // Version 4: the call-back carries the event and its anchor point.
  data.uVersion = NOTIFYICON_VERSION_4;
  if (!ShellNotifyIcon(NIM_SETVERSION, &data)) {
    // The window is not created after all; its icon must not stay behind.
    ShellNotifyIcon(NIM_DELETE, &data);
    return false;
  }
  return true;
}

LRESULT MainWindow::OnMessage(HWND hwnd,
                              UINT message,
                              WPARAM wparam,
                              LPARAM lparam) {
  switch (message) {
    case WM_CLOSE: {
      NOTIFYICONDATAW data = {};
      data.cbSize = sizeof(data);
      data.hWnd = hwnd;
      data.uID = kTrayIconId;
      ShellNotifyIcon(NIM_DELETE, &data);
      TavrinMainController::GetInstance()->Quit();
      // Default processing destroys the window.
      return ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
    case WM_COMMAND:
      // Menu choices only; accelerators and control notifications have a
      // non-zero high word.
      if (HIWORD(wparam) == 0) {
        switch (LOWORD(wparam)) {
          case kLaunchCommand:
            TavrinMainController::GetInstance()->LaunchBrowser(std::string(),
                                                               false);
            break;
          case kCloseCommand:
            ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
            break;
        }
      }
      return ::DefWindowProcW(hwnd, message, wparam, lparam);
    case kTrayCallbackMessage:
      OnTrayNotification(LOWORD(lparam), GET_X_LPARAM(wparam),
                         GET_Y_LPARAM(wparam));
      return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return BaseWindow::OnMessage(hwnd, message, wparam, lparam);
}

void MainWindow::OnTrayNotification(UINT event, int x, int y) {
  switch (event) {
    case WM_CONTEXTMENU: {
      RcL10nHandler* strings = RcL10nHandler::GetInstance();
      PopupMenu menu;
      if (menu.AddItem(kLaunchCommand, MFS_DEFAULT,
                       strings->GetString(kLaunchStringId)) &&
          menu.AddItem(kCloseCommand, 0, strings->GetString(kCloseStringId))) {
        // Returns when the menu closes; a choice arrives as WM_COMMAND.
        menu.Show(TPM_BOTTOMALIGN | TPM_VERNEGANIMATION, x, y, hwnd());
      }
      break;
    }
    case WM_LBUTTONUP:
      Analytics::GetInstance()->SendEvent("Tray", "click", "");
      TavrinMainController::GetInstance()->LaunchBrowser(std::string(), false);
      // The browser now has the user's attention; the oldest hint goes.
      if (NotificationManager* manager = GetNotificationManager())
        manager->CloseFirstWindow();
      break;
  }
}
