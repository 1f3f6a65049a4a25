#ifndef DESKTOP_WINDOWS_TAVRIN_TEST_FAKE_NOTIFICATION_ENVIRONMENT_H_
#define DESKTOP_WINDOWS_TAVRIN_TEST_FAKE_NOTIFICATION_ENVIRONMENT_H_

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "desktop/windows/tavrin/notification_environment.h"

namespace tavrin_test {

// Stands in for the process monitor (whose WMI events Wine does not deliver)
// and the notification manager (whose pop-up Wine cannot render): the tests
// set the answers and read what was asked and shown. Showing a hint records
// it as the manager would, unless |show_fails| is set.
class FakeNotificationEnvironment : public NotificationEnvironment {
 public:
  explicit FakeNotificationEnvironment(PrefService* prefs);
  ~FakeNotificationEnvironment() override;

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

  // Answers.
  BrowserUsageState usage_state = BROWSER_NOT_IN_USE;
  bool other_browser_active = true;
  int consecutive_dismisses = 0;
  bool open_window = false;
  std::string last_shown;
  std::map<std::string, base::Time> last_show_times;
  std::set<std::string> dont_show_again;
  bool show_fails = false;
  // Runs inside IsOtherBrowserActive, the last query of the checks.
  std::function<void()> on_other_browser_query;

  // What was asked and shown.
  int usage_state_queries = 0;
  int dismiss_queries = 0;
  int other_browser_queries = 0;
  std::vector<std::string> shown;

 private:
  PrefService* const prefs_;
};

}  // namespace tavrin_test

#endif  // DESKTOP_WINDOWS_TAVRIN_TEST_FAKE_NOTIFICATION_ENVIRONMENT_H_
