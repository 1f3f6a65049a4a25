#ifndef DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_ENVIRONMENT_H_
#define DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_ENVIRONMENT_H_

#include <windows.h>

#include <string>

#include "base/time/time.h"
#include "desktop/windows/tavrin/process_monitor.h"

class PrefService;

// What the scheduler, the controller and the hints ask of the rest of the
// notifier when they decide whether to show a hint: the process monitor's
// answers, the notification manager's records and its showing, the settings
// and the module instance. The notifier's own is
// TavrinNotificationEnvironment; tests hand in a fake.
class NotificationEnvironment {
 public:
  virtual ~NotificationEnvironment() = default;

  // The process monitor.
  virtual BrowserUsageState GetUsageState() = 0;
  virtual bool IsOtherBrowserActive() = 0;

  // The notification manager.
  virtual int GetConsecutiveDismisses() = 0;
  virtual bool HasOpenWindow() = 0;
  // Empty when no hint was shown yet.
  virtual std::string GetLastShownNotification() = 0;
  // The null time when |name| was never shown.
  virtual base::Time GetLastShowTime(const std::string& name) = 0;
  virtual bool IsDontShowAgain(const std::string& name) = 0;
  virtual void ShowNotification(const std::string& name) = 0;

  // The notifier's settings; null when it has none.
  virtual PrefService* GetPrefs() = 0;
  // Owns the hidden windows of the hints.
  virtual HINSTANCE GetModuleInstance() = 0;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_ENVIRONMENT_H_
