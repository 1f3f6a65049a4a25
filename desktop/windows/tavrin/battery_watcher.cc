#include "desktop/windows/tavrin/battery_watcher.h"

#include <utility>

#include "desktop/windows/tavrin/power_status.h"

namespace {

// SYSTEM_POWER_STATUS::ACLineStatus while the machine runs on battery; 1 is
// mains power and 255 unknown.
constexpr BYTE kAcLineOffline = 0;

}  // namespace

BatteryWatcher::BatteryWatcher() = default;

BatteryWatcher::~BatteryWatcher() {
  DestroyWindowIfExists();
}

void BatteryWatcher::SetCallback(base::Closure callback) {
  callback_ = std::move(callback);
}

LRESULT BatteryWatcher::OnMessage(HWND hwnd,
                                  UINT message,
                                  WPARAM wparam,
                                  LPARAM lparam) {
  if (message != WM_POWERBROADCAST)
    return BaseWindow::OnMessage(hwnd, message, wparam, lparam);
  // Every power event counts: what matters is being on battery now.
  SYSTEM_POWER_STATUS status = {};
  if (GetPowerStatus(&status) && status.ACLineStatus == kAcLineOffline &&
      callback_) {
    callback_();
  }
  return 0;
}
