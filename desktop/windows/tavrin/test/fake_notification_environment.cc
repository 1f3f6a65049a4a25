#include "desktop/windows/tavrin/test/fake_notification_environment.h"

namespace tavrin_test {

FakeNotificationEnvironment::FakeNotificationEnvironment(PrefService* prefs)
    : prefs_(prefs) {}

FakeNotificationEnvironment::~FakeNotificationEnvironment() = default;

BrowserUsageState FakeNotificationEnvironment::GetUsageState() {
  ++usage_state_queries;
  return usage_state;
}

bool FakeNotificationEnvironment::IsOtherBrowserActive() {
  ++other_browser_queries;
  if (on_other_browser_query)
    on_other_browser_query();
  return other_browser_active;
}

int FakeNotificationEnvironment::GetConsecutiveDismisses() {
  ++dismiss_queries;
  return consecutive_dismisses;
}

bool FakeNotificationEnvironment::HasOpenWindow() {
  return open_window;
}

std::string FakeNotificationEnvironment::GetLastShownNotification() {
  return last_shown;
}

base::Time FakeNotificationEnvironment::GetLastShowTime(
    const std::string& name) {
  auto it = last_show_times.find(name);
  return it == last_show_times.end() ? base::Time() : it->second;
}

bool FakeNotificationEnvironment::IsDontShowAgain(const std::string& name) {
  return dont_show_again.count(name) != 0;
}

void FakeNotificationEnvironment::ShowNotification(const std::string& name) {
  shown.push_back(name);
  if (show_fails)
    return;
  last_show_times[name] = base::Time::Now();
  last_shown = name;
}

PrefService* FakeNotificationEnvironment::GetPrefs() {
  return prefs_;
}

HINSTANCE FakeNotificationEnvironment::GetModuleInstance() {
  return ::GetModuleHandleW(nullptr);
}

}  // namespace tavrin_test
