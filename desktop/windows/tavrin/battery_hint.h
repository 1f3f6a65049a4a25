#ifndef DESKTOP_WINDOWS_TAVRIN_BATTERY_HINT_H_
#define DESKTOP_WINDOWS_TAVRIN_BATTERY_HINT_H_

#include <memory>
#include <string>

#include "desktop/windows/tavrin/notification_hint.h"

class BatteryWatcher;
class NotificationEnvironment;
class PrefRegistrySimple;
class TavrinNotificationScheduler;

// The "battery" hint: in regular checks it is eligible only while the
// machine runs on battery. Its hidden watcher window reports a power
// disconnect, which, within limits, marks the hint as triggered and makes
// the scheduler check at once; a triggered hint sorts first and is taken
// whatever the power state.
class BatteryHint : public NotificationHint {
 public:
  static constexpr char kName[] = "battery";
  static constexpr int kMaxPowerTriggeredHints = 3;

  BatteryHint(TavrinNotificationScheduler* scheduler,
              NotificationEnvironment* environment);
  BatteryHint(const BatteryHint&) = delete;
  BatteryHint& operator=(const BatteryHint&) = delete;
  ~BatteryHint() override;

  // "power_disconnected_event_count" and
  // "last_power_disconnected_handled_event_time".
  static void RegisterPrefs(PrefRegistrySimple* registry);

  std::string GetName() const override;
  bool ShouldSkip() override;
  base::Time LastShowTime() const override;

  // The watcher's call-back: the machine went on battery.
  void OnPowerDisconnected();

  // Null when the watcher window could not be created; the hint then has no
  // power trigger.
  BatteryWatcher* watcher_for_testing() const { return watcher_.get(); }

 private:
  bool no_battery_ = false;
  bool triggered_ = false;
  std::unique_ptr<BatteryWatcher> watcher_;
  TavrinNotificationScheduler* const scheduler_;
  NotificationEnvironment* const environment_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_BATTERY_HINT_H_
