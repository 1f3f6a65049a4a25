#ifndef DESKTOP_WINDOWS_TAVRIN_TAVRIN_NOTIFICATION_ENVIRONMENT_H_
#define DESKTOP_WINDOWS_TAVRIN_TAVRIN_NOTIFICATION_ENVIRONMENT_H_

#include "desktop/windows/tavrin/notification_environment.h"

// The notifier's own environment: the process monitor, notification manager,
// pref service and module instance of TavrinMainController. Without a
// manager nothing counts as shown or open, and nothing can be shown.
class TavrinNotificationEnvironment : public NotificationEnvironment {
 public:
  TavrinNotificationEnvironment();
  TavrinNotificationEnvironment(const TavrinNotificationEnvironment&) = delete;
  TavrinNotificationEnvironment& operator=(
      const TavrinNotificationEnvironment&) = delete;
  ~TavrinNotificationEnvironment() override;

  BrowserUsageState GetUsageState() override;
  bool IsOtherBrowserActive() override;
  int GetConsecutiveDismisses() override;
  bool HasOpenWindow() override;
  std::string GetLastShownNotification() override;
  base::Time GetLastShowTime(const std::string& name) override;
  bool IsDontShowAgain(const std::string& name) override;
  void ShowNotification(const std::string& name) override;
  PrefService* GetPrefs() override;
  HINSTANCE GetModuleInstance() override;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_TAVRIN_NOTIFICATION_ENVIRONMENT_H_
