#include "desktop/windows/tavrin/notification_controller.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <string>

#include "base/command_line.h"
#include "base/logging.h"
#include "desktop/windows/tavrin/battery_hint.h"
#include "desktop/windows/tavrin/connected_state.h"
#include "desktop/windows/tavrin/named_hint.h"
#include "desktop/windows/tavrin/notification_delays.h"
#include "desktop/windows/tavrin/notification_environment.h"
#include "desktop/windows/tavrin/notification_hint.h"
#include "desktop/windows/tavrin/user_notification_state.h"

namespace {

// Skips the browser-use and dismiss checks; every later check still runs.
constexpr char kNeverDisableNotificationsSwitch[] =
    "never-disable-notifications";

// More dismisses in a row than this and the user is left alone.
constexpr int kMaxConsecutiveDismisses = 14;

}  // namespace

NotificationController::NotificationController(
    TavrinNotificationScheduler* scheduler,
    NotificationEnvironment* environment)
    : scheduler_(scheduler), environment_(environment) {
  hints_.push_back(std::make_unique<BatteryHint>(scheduler_, environment_));
  hints_.push_back(std::make_unique<NamedHint>("ads", environment_));
  hints_.push_back(std::make_unique<NamedHint>("places", environment_));
}

NotificationController::~NotificationController() = default;

base::TimeDelta NotificationController::Check() {
  base::TimeDelta delay;
  if (!ShouldShow(&delay))
    return delay;
  if (!IsAfterDelayElapsed(&delay))
    return delay;
  std::vector<NotificationHint*> hints = GetEligibleHints();
  SortHintsByLastShowTime(&hints);
  return ShowFirstEligible(hints);
}

base::TimeDelta NotificationController::GetInitialDelay() const {
  return GetInitialNotificationDelay();
}

bool NotificationController::ShouldShow(base::TimeDelta* delay) {
  LOG(INFO) << "Checking whether to show hint...";
  const base::TimeDelta base_delay = GetBaseNotificationDelay();
  const base::TimeDelta after_delay = GetAfterNotificationDelay();

  const base::CommandLine* command_line =
      base::CommandLine::ForCurrentProcess();
  const bool never_disable =
      command_line && command_line->HasSwitch(kNeverDisableNotificationsSwitch);
  if (!never_disable) {
    switch (environment_->GetUsageState()) {
      case BROWSER_RUNNING:
        LOG(INFO) << "Don't show because Ulvena is running now.";
        *delay = after_delay;
        return false;
      case BROWSER_USED_RECENTLY:
        LOG(INFO) << "Don't show because Ulvena was used recently";
        *delay = after_delay;
        return false;
      case BROWSER_NOT_IN_USE:
        break;
    }
    if (environment_->GetConsecutiveDismisses() > kMaxConsecutiveDismisses) {
      LOG(INFO) << "Don't show because user dismissed hint more than "
                << kMaxConsecutiveDismisses << " times.";
      *delay = after_delay;
      return false;
    }
  }

  if (!IsSystemStateAccepting()) {
    LOG(INFO) << "Don't show because system state disallows it.";
    *delay = base_delay;
    return false;
  }
  if (environment_->HasOpenWindow()) {
    LOG(INFO) << "Don't show because other notification is being shown.";
    *delay = after_delay;
    return false;
  }
  if (!IsOnline()) {
    LOG(INFO) << "Don't show because user is offline.";
    *delay = base_delay;
    return false;
  }
  if (!environment_->IsOtherBrowserActive()) {
    LOG(INFO) << "Don't show because no non-Ulvena browser is active.";
    *delay = base_delay;
    return false;
  }
  return true;
}

bool NotificationController::IsAfterDelayElapsed(base::TimeDelta* delay) {
  const base::TimeDelta after_delay = GetAfterNotificationDelay();
  const std::string last = environment_->GetLastShownNotification();
  if (last.empty())
    return true;
  // Huge when the hint has no show time; negative when the clock was set
  // back behind it, which makes the wait longer than the after delay.
  const base::TimeDelta since =
      base::Time::Now() - environment_->GetLastShowTime(last);
  if (since < after_delay) {
    LOG(INFO) << "TimeDelta since last notification: " << since.InSecondsF()
              << "s, Delay is set to: " << after_delay.InSecondsF() << "s";
    *delay = after_delay - since;
    return false;
  }
  return true;
}

std::vector<NotificationHint*> NotificationController::GetEligibleHints()
    const {
  std::vector<NotificationHint*> eligible;
  for (const std::unique_ptr<NotificationHint>& hint : hints_) {
    if (!environment_->IsDontShowAgain(hint->GetName()))
      eligible.push_back(hint.get());
  }
  return eligible;
}

// static
void NotificationController::SortHintsByLastShowTime(
    std::vector<NotificationHint*>* hints) {
  // Stable: equal times keep the catalogue order.
  std::stable_sort(hints->begin(), hints->end(),
                   [](const NotificationHint* a, const NotificationHint* b) {
                     return a->LastShowTime() < b->LastShowTime();
                   });
}

base::TimeDelta NotificationController::ShowFirstEligible(
    const std::vector<NotificationHint*>& hints) {
  const base::TimeDelta base_delay = GetBaseNotificationDelay();
  const base::TimeDelta after_delay = GetAfterNotificationDelay();
  // Hints behind the chosen one are not asked: asking the battery hint
  // counts a power-triggered hint as taken.
  for (NotificationHint* hint : hints) {
    if (hint->ShouldSkip())
      continue;
    const std::string name = hint->GetName();
    environment_->ShowNotification(name);
    LOG(INFO) << "Show " << name << ".";
    return after_delay;
  }
  LOG(INFO) << "Don't show because no hint is eligible.";
  return base_delay;
}

// static
bool NotificationController::IsSystemStateAccepting() {
  QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
  // A shell that cannot tell (failure, S_FALSE) does not hold hints back.
  if (QueryUserNotificationState(&state) != S_OK)
    return true;
  return state == QUNS_ACCEPTS_NOTIFICATIONS;
}

// static
bool NotificationController::IsOnline() {
  return IsInternetConnected();
}
