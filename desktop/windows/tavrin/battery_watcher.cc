#include "desktop/windows/tavrin/battery_watcher.h"

#include <utility>

#include "base/location.h"
#include "base/logging.h"
#include "base/message_loop/message_loop.h"
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
    PostCallback();
  }
  return 0;
}

void BatteryWatcher::PostCallback() {
  // The system sends the broadcast from a thread of its own. While this
  // apartment handles such a message COM refuses outgoing calls
  // (RPC_E_CANTCALLOUT_ININPUTSYNCCALL), which the check needs for WMI, and
  // the sender would wait for the whole check; so it runs after the reply.
  base::MessageLoop* loop = base::MessageLoop::current();
  if (!loop) {
    LOG(ERROR) << "No message loop for the power event";
    return;
  }
  std::weak_ptr<bool> alive = alive_;
  loop->task_runner()->PostTask(
      FROM_HERE_WITH_EXPLICIT_FUNCTION("BatteryWatcher::OnMessage"),
      [this, alive] {
        if (!alive.expired() && callback_)
          callback_();
      });
}
