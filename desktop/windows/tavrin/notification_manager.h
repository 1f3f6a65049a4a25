#ifndef DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_MANAGER_H_
#define DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_MANAGER_H_

#include <windows.h>

#include <list>
#include <memory>
#include <string>

#include "base/time/time.h"
#include "base/values.h"

class BrowserWindow;
class Notification;
class PrefRegistrySimple;

// Shows hints and keeps what the notifier remembers about them. Reads
// notifications.json once, keeps a working copy of the per-hint state of the
// pref "notifications" (written back after each change) and owns the open
// pop-ups, oldest first. Lives on the UI thread; owned by the main
// controller, whose pref service must exist before it is created.
class NotificationManager {
 public:
  explicit NotificationManager(HINSTANCE instance);
  ~NotificationManager();

  NotificationManager(const NotificationManager&) = delete;
  NotificationManager& operator=(const NotificationManager&) = delete;

  // "notifications", "last_shown_notifications", "consecutive_dismisses".
  static void RegisterPrefs(PrefRegistrySimple* registry);

  // Shows the hint |name| (a key of notifications.json): pop-up, counters,
  // impression event. Shows nothing when the content files are not the
  // shipped ones, the name is unknown, or the pop-up cannot be created.
  void ShowNotification(const std::string& name);

  // True while a pop-up is open (until its posted close has run, also for
  // one closed from outside).
  bool HasOpenWindow() const;
  bool IsDontShowAgain(const std::string& name) const;
  // The null time when the hint was never shown.
  base::Time GetLastShowTime(const std::string& name) const;
  std::string GetLastShownNotification() const;
  int GetConsecutiveDismisses() const;

  // The page's answers, forwarded by |notification|.
  void HandleAccept(Notification* notification, const std::string& url);
  void HandleDismiss(Notification* notification);
  void HandleDontShowAgain(Notification* notification, bool value);

  // The tray icon's click: closes the oldest pop-up, if any.
  void CloseFirstWindow();

  // Closes the pop-up of |notification| from a posted task, so that the
  // page's call asking for it returns before its window goes.
  void PostCloseWindowForNotification(Notification* notification);

 private:
  void LoadNotificationsJson();
  void ChooseVariant(Notification* notification);
  void CloseWindowForNotification(const Notification* notification);
  void SaveState();

  HINSTANCE instance_;
  std::list<std::unique_ptr<BrowserWindow>> windows_;
  std::unique_ptr<base::Value> state_;
  // Null until notifications.json has been loaded.
  std::unique_ptr<base::Value> description_;
  // Posted closes hold a weak reference, so one that runs after the manager
  // is gone does nothing.
  std::shared_ptr<NotificationManager*> self_;
};

// The manager owned by the main controller; null before it exists.
NotificationManager* GetNotificationManager();

#endif  // DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_MANAGER_H_
