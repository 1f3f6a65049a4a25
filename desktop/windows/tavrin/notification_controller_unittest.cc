#include "desktop/windows/tavrin/notification_controller.h"

#include <cstdint>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "desktop/windows/tavrin/notification_delays.h"
#include "desktop/windows/tavrin/notification_hint.h"
#include "desktop/windows/tavrin/tavrin_notification_scheduler.h"
#include "desktop/windows/tavrin/test/fake_notification_environment.h"
#include "desktop/windows/tavrin/test/notification_test_base.h"
#include "gtest/gtest.h"

namespace {

using base::TimeDelta;
using logging::LOG_INFO;

const TimeDelta kBaseDelay = TimeDelta::FromSeconds(900);
const TimeDelta kAfterDelay = TimeDelta::FromHours(24);

class NotificationControllerTest : public tavrin_test::NotificationTestBase {
 protected:
  void SetUp() override {
    NotificationTestBase::SetUp();
    // The first check is 300 s away and the tests never let that pass: they
    // run the checks themselves.
    CreateScheduler();
    log().Clear();
  }

  TimeDelta Check() { return scheduler()->controller()->Check(); }

  // The text of every line logged since the last Clear.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (const auto& message : log().messages())
      lines.push_back(message.text);
    return lines;
  }
};

TEST_F(NotificationControllerTest, CatalogueIsBatteryAdsPlaces) {
  const auto& hints = scheduler()->controller()->hints();
  ASSERT_EQ(hints.size(), 3u);
  EXPECT_EQ(hints[0]->GetName(), "battery");
  EXPECT_EQ(hints[1]->GetName(), "ads");
  EXPECT_EQ(hints[2]->GetName(), "places");
}

TEST_F(NotificationControllerTest, BrowserUseRefusesWithTheAfterDelay) {
  environment()->usage_state = BROWSER_RUNNING;
  EXPECT_EQ(Check(), kAfterDelay);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "Checking whether to show hint...",
                         "Don't show because Ulvena is running now."}));

  log().Clear();
  environment()->usage_state = BROWSER_USED_RECENTLY;
  EXPECT_EQ(Check(), kAfterDelay);
  EXPECT_TRUE(
      log().Contains(LOG_INFO, "Don't show because Ulvena was used recently"));
  EXPECT_TRUE(environment()->shown.empty());
}

TEST_F(NotificationControllerTest, MoreThanFourteenDismissesRefuse) {
  environment()->consecutive_dismisses = 14;
  EXPECT_EQ(Check(), kAfterDelay);
  EXPECT_EQ(environment()->shown, std::vector<std::string>{"ads"});

  log().Clear();
  environment()->last_shown.clear();
  environment()->consecutive_dismisses = 15;
  EXPECT_EQ(Check(), kAfterDelay);
  EXPECT_TRUE(log().Contains(
      LOG_INFO, "Don't show because user dismissed hint more than 14 times."));
  EXPECT_EQ(environment()->shown.size(), 1u);
}

TEST_F(NotificationControllerTest,
       NeverDisableSkipsOnlyBrowserUseAndDismisses) {
  AppendSwitch("never-disable-notifications", "");
  environment()->usage_state = BROWSER_RUNNING;
  environment()->consecutive_dismisses = 20;
  // The shell check still runs...
  shell_state_ = QUNS_PRESENTATION_MODE;
  EXPECT_EQ(Check(), kBaseDelay);
  EXPECT_TRUE(log().Contains(LOG_INFO,
                             "Don't show because system state disallows it."));
  // ...and so do the later ones.
  shell_state_ = QUNS_ACCEPTS_NOTIFICATIONS;
  environment()->other_browser_active = false;
  EXPECT_EQ(Check(), kBaseDelay);
  EXPECT_TRUE(log().Contains(
      LOG_INFO, "Don't show because no non-Ulvena browser is active."));
  environment()->other_browser_active = true;
  EXPECT_EQ(Check(), kAfterDelay);
  EXPECT_EQ(environment()->shown, std::vector<std::string>{"ads"});

  EXPECT_EQ(environment()->usage_state_queries, 0);
  EXPECT_EQ(environment()->dismiss_queries, 0);
  EXPECT_FALSE(
      log().Contains(LOG_INFO, "Don't show because Ulvena is running now."));
}

TEST_F(NotificationControllerTest, ShellStateRefusesOnlyWhenItAnswersNo) {
  // A shell that cannot tell does not hold hints back.
  shell_result_ = E_FAIL;
  shell_state_ = QUNS_BUSY;
  EXPECT_EQ(Check(), kAfterDelay);
  environment()->last_shown.clear();
  shell_result_ = S_FALSE;
  EXPECT_EQ(Check(), kAfterDelay);
  environment()->last_shown.clear();
  EXPECT_EQ(environment()->shown.size(), 2u);

  shell_result_ = S_OK;
  shell_state_ = QUNS_PRESENTATION_MODE;
  EXPECT_EQ(Check(), kBaseDelay);
  EXPECT_TRUE(log().Contains(LOG_INFO,
                             "Don't show because system state disallows it."));
  EXPECT_EQ(environment()->shown.size(), 2u);
  // Nothing after the refusing check is asked.
  EXPECT_EQ(environment()->other_browser_queries, 2);
}

TEST_F(NotificationControllerTest, OpenPopupRefusesBeforeTheOfflineCheck) {
  environment()->open_window = true;
  connected_ = false;
  EXPECT_EQ(Check(), kAfterDelay);
  EXPECT_TRUE(log().Contains(
      LOG_INFO, "Don't show because other notification is being shown."));
  EXPECT_FALSE(log().Contains(LOG_INFO, "Don't show because user is offline."));

  environment()->open_window = false;
  EXPECT_EQ(Check(), kBaseDelay);
  EXPECT_TRUE(log().Contains(LOG_INFO, "Don't show because user is offline."));
  EXPECT_TRUE(environment()->shown.empty());
}

TEST_F(NotificationControllerTest, WhenTwoChecksRefuseTheEarlierOneWins) {
  // The checks in the order they run, each with what makes it refuse.
  const struct {
    const char* message;
    TimeDelta delay;
    std::function<void()> refuse;
  } checks[] = {
      {"Don't show because Ulvena is running now.", kAfterDelay,
       [this] { environment()->usage_state = BROWSER_RUNNING; }},
      {"Don't show because user dismissed hint more than 14 times.",
       kAfterDelay, [this] { environment()->consecutive_dismisses = 15; }},
      {"Don't show because system state disallows it.", kBaseDelay,
       [] { shell_state_ = QUNS_PRESENTATION_MODE; }},
      {"Don't show because other notification is being shown.", kAfterDelay,
       [this] { environment()->open_window = true; }},
      {"Don't show because user is offline.", kBaseDelay,
       [] { connected_ = false; }},
      {"Don't show because no non-Ulvena browser is active.", kBaseDelay,
       [this] { environment()->other_browser_active = false; }},
      {"TimeDelta since last notification: 7200s, Delay is set to: 86400s",
       TimeDelta::FromHours(22),
       [this] {
         environment()->last_shown = "ads";
         environment()->last_show_times["ads"] =
             now() - TimeDelta::FromHours(2);
       }},
  };
  // Neighbours are enough: any other order swaps some neighbouring pair.
  for (size_t i = 0; i + 1 < std::size(checks); ++i) {
    SCOPED_TRACE(checks[i].message);
    DestroyScheduler();
    shell_state_ = QUNS_ACCEPTS_NOTIFICATIONS;
    connected_ = true;
    CreateScheduler();
    log().Clear();
    checks[i].refuse();
    checks[i + 1].refuse();
    EXPECT_EQ(Check(), checks[i].delay);
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{"Checking whether to show hint...",
                                        checks[i].message}));
  }
}

TEST_F(NotificationControllerTest, HintShownTwoHoursAgoWaitsTwentyTwoHours) {
  environment()->last_shown = "ads";
  environment()->last_show_times["ads"] = now() - TimeDelta::FromHours(2);
  EXPECT_EQ(Check(), TimeDelta::FromHours(22));
  EXPECT_TRUE(log().Contains(LOG_INFO,
                             "TimeDelta since last notification: 7200s, Delay "
                             "is set to: 86400s"));
  EXPECT_TRUE(environment()->shown.empty());
}

TEST_F(NotificationControllerTest, LastShownHintWithoutTimeDoesNotHoldBack) {
  environment()->last_shown = "places";
  EXPECT_EQ(Check(), kAfterDelay);
  EXPECT_EQ(environment()->shown, std::vector<std::string>{"ads"});
}

TEST_F(NotificationControllerTest, FutureLastShowTimeWaitsLongerThanAfter) {
  // The clock was set back behind the last showing.
  environment()->last_shown = "ads";
  environment()->last_show_times["ads"] = now() + TimeDelta::FromHours(1);
  EXPECT_EQ(Check(), TimeDelta::FromHours(25));
  EXPECT_TRUE(environment()->shown.empty());

  // A time at the end of the range saturates the wait instead of wrapping
  // it into the past.
  environment()->last_show_times["ads"] =
      base::Time::FromInternalValue(std::numeric_limits<int64_t>::max());
  EXPECT_EQ(Check(), TimeDelta::Max());
  EXPECT_TRUE(environment()->shown.empty());
}

TEST_F(NotificationControllerTest, TieGoesToCatalogueOrder) {
  // On mains power the battery hint skips; "ads" and "places" were never
  // shown, so "ads" comes first.
  EXPECT_EQ(Check(), kAfterDelay);
  EXPECT_EQ(environment()->shown, std::vector<std::string>{"ads"});
  EXPECT_TRUE(log().Contains(LOG_INFO, "Show ads."));
  EXPECT_EQ(power_status_queries_, 1);
}

TEST_F(NotificationControllerTest, LeastRecentlyShownFirstAndLaterNotAsked) {
  AppendSwitch("override-after-notification-delay", "60");
  environment()->last_show_times["battery"] = now() - TimeDelta::FromHours(1);
  environment()->last_show_times["ads"] = now() - TimeDelta::FromHours(3);
  environment()->last_show_times["places"] = now() - TimeDelta::FromHours(5);
  EXPECT_EQ(Check(), TimeDelta::FromSeconds(60));
  EXPECT_EQ(environment()->shown, std::vector<std::string>{"places"});
  // The battery hint sorted last and was never asked.
  EXPECT_EQ(power_status_queries_, 0);

  // Now "ads" is the least recently shown.
  Advance(TimeDelta::FromMinutes(2));
  EXPECT_EQ(Check(), TimeDelta::FromSeconds(60));
  EXPECT_EQ(environment()->shown, (std::vector<std::string>{"places", "ads"}));
}

TEST_F(NotificationControllerTest, EverythingSwitchedOffShowsNothing) {
  environment()->dont_show_again = {"battery", "ads", "places"};
  EXPECT_EQ(Check(), kBaseDelay);
  EXPECT_TRUE(
      log().Contains(LOG_INFO, "Don't show because no hint is eligible."));
  EXPECT_TRUE(environment()->shown.empty());

  // A hint that is switched off is passed over, not the others.
  environment()->dont_show_again = {"ads"};
  EXPECT_EQ(Check(), kAfterDelay);
  EXPECT_EQ(environment()->shown, std::vector<std::string>{"places"});
}

TEST_F(NotificationControllerTest, DelaySwitchesTakeWholeDecimalIntsOnly) {
  const TimeDelta fallback = TimeDelta::FromSeconds(7);
  AppendSwitch("d-abc", "abc");
  AppendSwitch("d-10x", "10x");
  AppendSwitch("d-empty", "");
  AppendSwitch("d-big", "99999999999");
  AppendSwitch("d-ten", "10");
  AppendSwitch("d-negative", "-5");
  EXPECT_EQ(GetDelayFromSwitch("d-abc", fallback), fallback);
  EXPECT_EQ(GetDelayFromSwitch("d-10x", fallback), fallback);
  EXPECT_EQ(GetDelayFromSwitch("d-empty", fallback), fallback);
  EXPECT_EQ(GetDelayFromSwitch("d-big", fallback), fallback);
  EXPECT_EQ(GetDelayFromSwitch("d-missing", fallback), fallback);
  EXPECT_EQ(GetDelayFromSwitch("d-ten", fallback), TimeDelta::FromSeconds(10));
  EXPECT_EQ(GetDelayFromSwitch("d-negative", fallback),
            TimeDelta::FromSeconds(-5));

  EXPECT_EQ(GetInitialNotificationDelay(), TimeDelta::FromSeconds(300));
  EXPECT_EQ(GetBaseNotificationDelay(), kBaseDelay);
  EXPECT_EQ(GetAfterNotificationDelay(), kAfterDelay);
  EXPECT_EQ(GetDisconnectWaitNotificationDelay(), TimeDelta::FromHours(1));
  AppendSwitch("override-base-notification-delay", "10x");
  AppendSwitch("override-disconnect-wait-notification-delay", "12");
  EXPECT_EQ(GetBaseNotificationDelay(), kBaseDelay);
  EXPECT_EQ(GetDisconnectWaitNotificationDelay(), TimeDelta::FromSeconds(12));
}

}  // namespace
