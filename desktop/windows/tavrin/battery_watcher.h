#ifndef DESKTOP_WINDOWS_TAVRIN_BATTERY_WATCHER_H_
#define DESKTOP_WINDOWS_TAVRIN_BATTERY_WATCHER_H_

#include <windows.h>

#include "base/callback.h"
#include "desktop/windows/tavrin/base_window.h"

// A hidden window that receives the system's power broadcasts and runs its
// call-back when one arrives while the machine runs on battery.
class BatteryWatcher : public BaseWindow {
 public:
  static constexpr wchar_t kClassName[] = L"BatteryWatcherClass";
  static constexpr wchar_t kWindowTitle[] = L"BatteryWatcherClass";
  static constexpr UINT kClassStyle = CS_OWNDC;
  static constexpr DWORD kStyle = WS_DISABLED;
  static constexpr DWORD kExStyle = WS_EX_NOPARENTNOTIFY;

  BatteryWatcher();
  virtual ~BatteryWatcher();

  void SetCallback(base::Closure callback);

  LRESULT OnMessage(HWND hwnd,
                    UINT message,
                    WPARAM wparam,
                    LPARAM lparam) override;

 private:
  base::Closure callback_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_BATTERY_WATCHER_H_
