#ifndef DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_CONTROLLER_H_
#define DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_CONTROLLER_H_

#include <memory>
#include <vector>

#include "base/time/time.h"

class NotificationEnvironment;
class NotificationHint;
class TavrinNotificationScheduler;

// Decides, each time the scheduler asks, whether a hint may be shown now and
// which: a fixed sequence of checks, each of which can refuse and name the
// delay to the next check; when all pass, the least recently shown hint that
// the user has not switched off and whose own condition allows it is shown.
// Holds the hint catalogue: battery, ads, places. UI thread only.
class NotificationController {
 public:
  NotificationController(TavrinNotificationScheduler* scheduler,
                         NotificationEnvironment* environment);
  NotificationController(const NotificationController&) = delete;
  NotificationController& operator=(const NotificationController&) = delete;
  ~NotificationController();

  // Runs the checks and maybe shows one hint; returns the delay until the
  // next check.
  base::TimeDelta Check();

  // The delay before the first check after start.
  base::TimeDelta GetInitialDelay() const;

  const std::vector<std::unique_ptr<NotificationHint>>& hints() const {
    return hints_;
  }

 private:
  // Each returns true to go on, or false with |delay| set to the time until
  // the next check.
  bool ShouldShow(base::TimeDelta* delay);
  bool IsAfterDelayElapsed(base::TimeDelta* delay);

  std::vector<NotificationHint*> GetEligibleHints() const;
  static void SortHintsByLastShowTime(std::vector<NotificationHint*>* hints);
  base::TimeDelta ShowFirstEligible(
      const std::vector<NotificationHint*>& hints);

  // The shell accepts notifications now (no presentation mode, full-screen
  // program, quiet time and the like).
  static bool IsSystemStateAccepting();
  static bool IsOnline();

  TavrinNotificationScheduler* const scheduler_;
  NotificationEnvironment* const environment_;
  std::vector<std::unique_ptr<NotificationHint>> hints_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_CONTROLLER_H_
