#include "desktop/windows/tavrin/battery_hint.h"

#include "base/logging.h"
#include "components/prefs/pref_registry_simple.h"
#include "components/prefs/pref_service.h"
#include "desktop/windows/tavrin/base_window_factory.h"
#include "desktop/windows/tavrin/battery_watcher.h"
#include "desktop/windows/tavrin/notification_delays.h"
#include "desktop/windows/tavrin/notification_environment.h"
#include "desktop/windows/tavrin/power_status.h"
#include "desktop/windows/tavrin/tavrin_notification_scheduler.h"

namespace {

constexpr char kEventCountPref[] = "power_disconnected_event_count";
constexpr char kHandledEventTimePref[] =
    "last_power_disconnected_handled_event_time";

// SYSTEM_POWER_STATUS values.
constexpr BYTE kAcLineOffline = 0;
constexpr BYTE kNoSystemBattery = 128;

}  // namespace

BatteryHint::BatteryHint(TavrinNotificationScheduler* scheduler,
                         NotificationEnvironment* environment)
    : scheduler_(scheduler), environment_(environment) {
  // Without the window there is no power trigger; the hint still takes part
  // in regular checks.
  watcher_ = CreateBaseWindow<BatteryWatcher>(environment_->GetModuleInstance(),
                                              nullptr);
  if (watcher_)
    watcher_->SetCallback([this] { OnPowerDisconnected(); });
}

BatteryHint::~BatteryHint() = default;

// static
void BatteryHint::RegisterPrefs(PrefRegistrySimple* registry) {
  registry->RegisterIntegerPref(kEventCountPref, 0);
  registry->RegisterDoublePref(kHandledEventTimePref, 0.0);
}

std::string BatteryHint::GetName() const {
  return kName;
}

bool BatteryHint::ShouldSkip() {
  // Asking again would only give the same answer.
  if (no_battery_)
    return true;

  if (triggered_) {
    // Counted when taken, whether or not the showing then succeeds: the
    // limit is on power-triggered attempts.
    if (PrefService* prefs = environment_->GetPrefs()) {
      prefs->SetInteger(kEventCountPref,
                        prefs->GetInteger(kEventCountPref) + 1);
      prefs->SetDouble(kHandledEventTimePref, base::Time::Now().ToDoubleT());
    }
    triggered_ = false;
    return false;
  }

  SYSTEM_POWER_STATUS status = {};
  if (!GetPowerStatus(&status))
    return true;
  if (status.BatteryFlag == kNoSystemBattery) {
    no_battery_ = true;
    return true;
  }
  return status.ACLineStatus != kAcLineOffline;
}

base::Time BatteryHint::LastShowTime() const {
  if (triggered_)
    return base::Time();
  return environment_->GetLastShowTime(kName);
}

void BatteryHint::OnPowerDisconnected() {
  PrefService* prefs = environment_->GetPrefs();
  if (!prefs)
    return;
  const base::Time now = base::Time::Now();

  if (prefs->GetInteger(kEventCountPref) >= kMaxPowerTriggeredHints) {
    LOG(INFO) << "OnPowerDisconnected Hint counter limit reached: "
              << kMaxPowerTriggeredHints;
    return;
  }

  const base::TimeDelta since_handled =
      now - base::Time::FromDoubleT(prefs->GetDouble(kHandledEventTimePref));
  if (since_handled < GetAfterNotificationDelay()) {
    LOG(INFO) << "Delay between OnPowerDisconnect is too short: "
              << since_handled.InSecondsF() << "s";
    return;
  }

  const std::string last_shown = environment_->GetLastShownNotification();
  if (!last_shown.empty()) {
    const base::TimeDelta since_shown =
        now - environment_->GetLastShowTime(last_shown);
    if (since_shown < GetDisconnectWaitNotificationDelay()) {
      LOG(INFO) << "Delay between last notification is too short: "
                << since_shown.InSecondsF() << "s";
      return;
    }
  }

  triggered_ = true;
  scheduler_->CheckNow();
}
