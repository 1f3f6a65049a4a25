#ifndef DESKTOP_WINDOWS_TAVRIN_TAVRIN_NOTIFICATION_SCHEDULER_H_
#define DESKTOP_WINDOWS_TAVRIN_TAVRIN_NOTIFICATION_SCHEDULER_H_

#include <memory>

#include "base/timer/timer.h"

class NotificationController;
class NotificationEnvironment;
class PrefRegistrySimple;

// Decides when the notifier asks whether to show a hint: a one-shot timer
// that runs the controller's check, stores when the next one is due in
// "notification_scheduler.scheduled_check_time" (so that a restarted
// notifier keeps the rhythm) and re-arms with the delay the check returned.
// Always armed, except while a check runs. UI thread only.
class TavrinNotificationScheduler : public base::Timer {
 public:
  // Arms the first check: no sooner than the initial delay after now, and
  // no sooner than the stored next-check time.
  explicit TavrinNotificationScheduler(
      std::unique_ptr<NotificationEnvironment> environment);
  TavrinNotificationScheduler(const TavrinNotificationScheduler&) = delete;
  TavrinNotificationScheduler& operator=(const TavrinNotificationScheduler&) =
      delete;
  ~TavrinNotificationScheduler();

  static void RegisterPrefs(PrefRegistrySimple* registry);

  // Drops the pending check and checks at once.
  void CheckNow();

  NotificationController* controller() const { return controller_.get(); }

 private:
  void OnTimeout();

  // Declared before the controller, which uses it until it is gone.
  std::unique_ptr<NotificationEnvironment> environment_;
  std::unique_ptr<NotificationController> controller_;
  // A check may wait inside a COM call whose message pumping delivers a
  // power event; the check it asks for then follows the running one instead
  // of running inside it, which could show a second hint.
  bool checking_ = false;
  bool check_again_ = false;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_TAVRIN_NOTIFICATION_SCHEDULER_H_
