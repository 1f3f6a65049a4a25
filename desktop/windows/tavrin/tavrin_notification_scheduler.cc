#include "desktop/windows/tavrin/tavrin_notification_scheduler.h"

#include <utility>

#include "base/location.h"
#include "base/time/time.h"
#include "components/prefs/pref_registry_simple.h"
#include "components/prefs/pref_service.h"
#include "desktop/windows/tavrin/notification_controller.h"
#include "desktop/windows/tavrin/notification_environment.h"

namespace {

constexpr char kScheduledCheckTimePref[] =
    "notification_scheduler.scheduled_check_time";

}  // namespace

TavrinNotificationScheduler::TavrinNotificationScheduler(
    std::unique_ptr<NotificationEnvironment> environment)
    : environment_(std::move(environment)),
      controller_(
          std::make_unique<NotificationController>(this, environment_.get())) {
  const base::TimeDelta initial = controller_->GetInitialDelay();
  PrefService* prefs = environment_->GetPrefs();
  // 0.0 (never armed) gives the null time, so |remaining| is then hugely
  // negative; the difference saturates instead of wrapping.
  const base::Time stored = base::Time::FromDoubleT(
      prefs ? prefs->GetDouble(kScheduledCheckTimePref) : 0.0);
  const base::TimeDelta remaining = stored - base::Time::Now();
  const base::TimeDelta delay = initial < remaining ? remaining : initial;
  // A zero or negative delay runs the check as soon as the loop is free.
  Start(FROM_HERE_WITH_EXPLICIT_FUNCTION(
            "TavrinNotificationScheduler::TavrinNotificationScheduler"),
        delay, [this] { OnTimeout(); });
}

TavrinNotificationScheduler::~TavrinNotificationScheduler() {
  // Stopped before the controller goes, so no check can reach it.
  Stop();
}

// static
void TavrinNotificationScheduler::RegisterPrefs(PrefRegistrySimple* registry) {
  registry->RegisterDoublePref(kScheduledCheckTimePref, 0.0);
}

void TavrinNotificationScheduler::CheckNow() {
  if (checking_) {
    check_again_ = true;
    return;
  }
  Stop();
  OnTimeout();
}

void TavrinNotificationScheduler::OnTimeout() {
  checking_ = true;
  base::TimeDelta next = controller_->Check();
  checking_ = false;

  if (PrefService* prefs = environment_->GetPrefs()) {
    prefs->SetDouble(kScheduledCheckTimePref,
                     (base::Time::Now() + next).ToDoubleT());
  }
  if (check_again_) {
    check_again_ = false;
    next = base::TimeDelta();
  }
  Start(FROM_HERE_WITH_EXPLICIT_FUNCTION(
            "TavrinNotificationScheduler::OnTimeout"),
        next, [this] { OnTimeout(); });
}
