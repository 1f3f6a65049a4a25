#include "desktop/windows/tavrin/tavrin_notification_scheduler.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/message_loop/message_loop.h"
#include "components/prefs/pref_service.h"
#include "desktop/windows/tavrin/test/fake_notification_environment.h"
#include "desktop/windows/tavrin/test/notification_test_base.h"
#include "gtest/gtest.h"

namespace {

using base::Time;
using base::TimeDelta;

constexpr char kScheduledCheckTime[] =
    "notification_scheduler.scheduled_check_time";

class TavrinNotificationSchedulerTest
    : public tavrin_test::NotificationTestBase {
 protected:
  int checks() const { return environment()->other_browser_queries; }
};

TEST_F(TavrinNotificationSchedulerTest, FirstStartWaitsTheInitialDelay) {
  CreateScheduler();
  EXPECT_TRUE(scheduler()->IsRunning());
  EXPECT_EQ(scheduler()->GetCurrentDelay(), TimeDelta::FromSeconds(300));
  DestroyScheduler();

  AppendSwitch("override-initial-notification-delay", "42");
  CreateScheduler();
  EXPECT_EQ(scheduler()->GetCurrentDelay(), TimeDelta::FromSeconds(42));
}

TEST_F(TavrinNotificationSchedulerTest, RestartKeepsTheStoredRhythm) {
  // A check an hour ago returned 24 hours.
  prefs()->SetDouble(kScheduledCheckTime,
                     (now() + TimeDelta::FromHours(23)).ToDoubleT());
  CreateScheduler();
  EXPECT_EQ(scheduler()->GetCurrentDelay(), TimeDelta::FromHours(23));
}

TEST_F(TavrinNotificationSchedulerTest, StoredTimeSoonStillWaitsInitialDelay) {
  prefs()->SetDouble(kScheduledCheckTime,
                     (now() + TimeDelta::FromSeconds(100)).ToDoubleT());
  CreateScheduler();
  EXPECT_EQ(scheduler()->GetCurrentDelay(), TimeDelta::FromSeconds(300));
}

TEST_F(TavrinNotificationSchedulerTest, FarFutureStoredTimeDoesNotWrap) {
  prefs()->SetDouble(kScheduledCheckTime, 1e300);
  CreateScheduler();
  EXPECT_TRUE(scheduler()->IsRunning());
  EXPECT_GT(scheduler()->GetCurrentDelay(), TimeDelta::FromDays(365 * 1000));
}

TEST_F(TavrinNotificationSchedulerTest, CheckStoresItsNextTimeAndReArms) {
  // Offline: the check returns the base delay of 900 s.
  connected_ = false;
  AppendSwitch("override-initial-notification-delay", "0");
  CreateScheduler();
  ASSERT_TRUE(RunLoopUntil([this] {
    return log().Contains(logging::LOG_INFO,
                          "Don't show because user is offline.");
  }));
  EXPECT_DOUBLE_EQ(prefs()->GetDouble(kScheduledCheckTime),
                   (now() + TimeDelta::FromSeconds(900)).ToDoubleT());
  EXPECT_TRUE(scheduler()->IsRunning());
  EXPECT_EQ(scheduler()->GetCurrentDelay(), TimeDelta::FromSeconds(900));
}

TEST_F(TavrinNotificationSchedulerTest, NegativeDelaysRunAtOnceAndKeepGoing) {
  // Every check refuses with the base delay, here -1 s: each runs as soon as
  // the loop is free, and the timer stays armed.
  AppendSwitch("override-initial-notification-delay", "-3");
  AppendSwitch("override-base-notification-delay", "-1");
  CreateScheduler();
  environment()->other_browser_active = false;
  // The checks would follow each other for ever; the third ends the run.
  environment()->on_other_browser_query = [this] {
    if (checks() >= 3)
      base::MessageLoop::current()->QuitNow();
  };
  ASSERT_TRUE(RunLoopUntil([this] { return checks() >= 3; }));
  EXPECT_TRUE(scheduler()->IsRunning());
  EXPECT_EQ(scheduler()->GetCurrentDelay(), TimeDelta::FromSeconds(-1));
}

TEST_F(TavrinNotificationSchedulerTest, ShowsAHintOnItsOwnAfterSmallDelays) {
  AppendSwitch("override-initial-notification-delay", "0");
  AppendSwitch("override-after-notification-delay", "1");
  CreateScheduler();
  ASSERT_TRUE(RunLoopUntil([this] { return !environment()->shown.empty(); }));
  EXPECT_EQ(environment()->shown, std::vector<std::string>{"ads"});
  EXPECT_EQ(scheduler()->GetCurrentDelay(), TimeDelta::FromSeconds(1));

  // One second of real time passes for the timer, and of test time for the
  // spacing check.
  Advance(TimeDelta::FromSeconds(1));
  ASSERT_TRUE(
      RunLoopUntil([this] { return environment()->shown.size() >= 2; }));
  EXPECT_EQ(environment()->shown, (std::vector<std::string>{"ads", "places"}));
}

TEST_F(TavrinNotificationSchedulerTest, CheckNowDropsThePendingCheck) {
  CreateScheduler();
  ASSERT_EQ(scheduler()->GetCurrentDelay(), TimeDelta::FromSeconds(300));
  connected_ = false;
  scheduler()->CheckNow();
  EXPECT_EQ(checks(), 0);  // Refused before the other-browser query.
  EXPECT_TRUE(
      log().Contains(logging::LOG_INFO, "Don't show because user is offline."));
  EXPECT_EQ(scheduler()->GetCurrentDelay(), TimeDelta::FromSeconds(900));
  EXPECT_DOUBLE_EQ(prefs()->GetDouble(kScheduledCheckTime),
                   (now() + TimeDelta::FromSeconds(900)).ToDoubleT());
}

TEST_F(TavrinNotificationSchedulerTest, CheckNowDuringACheckFollowsIt) {
  // A power event delivered while the check waits inside a COM call.
  CreateScheduler();
  int depth = 0;
  int deepest = 0;
  int calls = 0;
  environment()->other_browser_active = false;
  environment()->on_other_browser_query = [&] {
    ++depth;
    deepest = std::max(deepest, depth);
    if (++calls == 1)
      scheduler()->CheckNow();
    --depth;
  };
  scheduler()->CheckNow();
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(calls, 1);
  // The asked-for check is due at once, not after the 900 s of the first.
  EXPECT_EQ(scheduler()->GetCurrentDelay(), TimeDelta());
  ASSERT_TRUE(RunLoopUntil([&] { return calls == 2; }));
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(scheduler()->GetCurrentDelay(), TimeDelta::FromSeconds(900));
}

}  // namespace
