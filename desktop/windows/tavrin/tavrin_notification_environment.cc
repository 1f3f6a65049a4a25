#include "desktop/windows/tavrin/tavrin_notification_environment.h"

#include "desktop/windows/tavrin/notification_manager.h"
#include "desktop/windows/tavrin/process_monitor.h"
#include "desktop/windows/tavrin/tavrin_main_controller.h"

TavrinNotificationEnvironment::TavrinNotificationEnvironment() = default;

TavrinNotificationEnvironment::~TavrinNotificationEnvironment() = default;

BrowserUsageState TavrinNotificationEnvironment::GetUsageState() {
  ProcessMonitor* monitor =
      TavrinMainController::GetInstance()->process_monitor();
  return monitor ? monitor->GetUsageState() : BROWSER_NOT_IN_USE;
}

bool TavrinNotificationEnvironment::IsOtherBrowserActive() {
  ProcessMonitor* monitor =
      TavrinMainController::GetInstance()->process_monitor();
  return monitor && monitor->IsOtherBrowserActive();
}

int TavrinNotificationEnvironment::GetConsecutiveDismisses() {
  NotificationManager* manager = GetNotificationManager();
  return manager ? manager->GetConsecutiveDismisses() : 0;
}

bool TavrinNotificationEnvironment::HasOpenWindow() {
  NotificationManager* manager = GetNotificationManager();
  return manager && manager->HasOpenWindow();
}

std::string TavrinNotificationEnvironment::GetLastShownNotification() {
  NotificationManager* manager = GetNotificationManager();
  return manager ? manager->GetLastShownNotification() : std::string();
}

base::Time TavrinNotificationEnvironment::GetLastShowTime(
    const std::string& name) {
  NotificationManager* manager = GetNotificationManager();
  return manager ? manager->GetLastShowTime(name) : base::Time();
}

bool TavrinNotificationEnvironment::IsDontShowAgain(const std::string& name) {
  NotificationManager* manager = GetNotificationManager();
  return manager && manager->IsDontShowAgain(name);
}

void TavrinNotificationEnvironment::ShowNotification(const std::string& name) {
  if (NotificationManager* manager = GetNotificationManager())
    manager->ShowNotification(name);
}

PrefService* TavrinNotificationEnvironment::GetPrefs() {
  return TavrinMainController::GetInstance()->pref_service();
}

HINSTANCE TavrinNotificationEnvironment::GetModuleInstance() {
  return TavrinMainController::GetInstance()->instance();
}
