#ifndef DESKTOP_WINDOWS_TAVRIN_BATTERY_WATCHER_H_
#define DESKTOP_WINDOWS_TAVRIN_BATTERY_WATCHER_H_

#include <windows.h>

#include <memory>

#include "base/callback.h"
#include "desktop/windows/tavrin/base_window.h"

// A hidden window that receives the system's power broadcasts and, when one
// arrives while the machine runs on battery, runs its call-back from the UI
// loop once the broadcast has been answered.
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
  void PostCallback();

  base::Closure callback_;
  // Posted call-backs hold a weak reference, so that one that runs after
  // the watcher is gone does nothing.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

#endif  // DESKTOP_WINDOWS_TAVRIN_BATTERY_WATCHER_H_
