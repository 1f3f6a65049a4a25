#include "desktop/windows/tavrin/battery_hint.h"

#include <string>
#include <thread>
#include <vector>

#include "components/prefs/pref_service.h"
#include "desktop/windows/tavrin/battery_watcher.h"
#include "desktop/windows/tavrin/notification_controller.h"
#include "desktop/windows/tavrin/tavrin_notification_scheduler.h"
#include "desktop/windows/tavrin/test/fake_notification_environment.h"
#include "desktop/windows/tavrin/test/notification_test_base.h"
#include "gtest/gtest.h"

namespace {

using base::TimeDelta;
using logging::LOG_INFO;

constexpr char kEventCount[] = "power_disconnected_event_count";
constexpr char kHandledTime[] = "last_power_disconnected_handled_event_time";

class BatteryHintTest : public tavrin_test::NotificationTestBase {
 protected:
  void SetUp() override {
    NotificationTestBase::SetUp();
    CreateScheduler();
    log().Clear();
  }

  BatteryHint* hint() const {
    return static_cast<BatteryHint*>(
        scheduler()->controller()->hints()[0].get());
  }
  TimeDelta Check() { return scheduler()->controller()->Check(); }

  // The system's broadcast as it reaches the hidden watcher window, with the
  // machine (through the power-status seam) on battery.
  void SendPowerEventOnBattery() {
    power_status_.ACLineStatus = 0;
    ASSERT_TRUE(hint()->watcher_for_testing());
    ::SendMessageW(hint()->watcher_for_testing()->hwnd(), WM_POWERBROADCAST,
                   PBT_APMPOWERSTATUSCHANGE, 0);
    RunUntilIdle();
  }
};

TEST_F(BatteryHintTest, RegularChecksTakeItOnlyOnBattery) {
  EXPECT_EQ(hint()->GetName(), "battery");
  EXPECT_TRUE(hint()->ShouldSkip());  // Mains power.
  power_status_.ACLineStatus = 255;   // Unknown.
  EXPECT_TRUE(hint()->ShouldSkip());
  power_status_ok_ = false;
  power_status_.ACLineStatus = 0;
  EXPECT_TRUE(hint()->ShouldSkip());
  power_status_ok_ = true;
  EXPECT_FALSE(hint()->ShouldSkip());

  Check();
  EXPECT_EQ(environment()->shown, std::vector<std::string>{"battery"});
  // Not a power-triggered hint.
  EXPECT_EQ(prefs()->GetInteger(kEventCount), 0);
}

TEST_F(BatteryHintTest, NoBatteryIsRememberedForTheProcess) {
  power_status_.BatteryFlag = 128;
  power_status_.ACLineStatus = 0;
  EXPECT_TRUE(hint()->ShouldSkip());
  power_status_.BatteryFlag = 1;
  EXPECT_TRUE(hint()->ShouldSkip());
  EXPECT_TRUE(hint()->ShouldSkip());
  EXPECT_EQ(power_status_queries_, 1);
}

TEST_F(BatteryHintTest, PowerEventShowsItAtOnceAndCountsIt) {
  // A check is pending 20 hours away.
  prefs()->SetDouble("notification_scheduler.scheduled_check_time",
                     (now() + TimeDelta::FromHours(20)).ToDoubleT());
  DestroyScheduler();
  CreateScheduler();
  ASSERT_EQ(scheduler()->GetCurrentDelay(), TimeDelta::FromHours(20));
  // "ads" was shown 2 hours ago, more than the disconnect wait.
  environment()->last_shown = "ads";
  environment()->last_show_times["ads"] = now() - TimeDelta::FromHours(2);
  environment()->last_show_times["battery"] = now() - TimeDelta::FromDays(3);
  AppendSwitch("override-after-notification-delay", "3600");

  SendPowerEventOnBattery();
  EXPECT_EQ(environment()->shown, std::vector<std::string>{"battery"});
  EXPECT_EQ(prefs()->GetInteger(kEventCount), 1);
  EXPECT_DOUBLE_EQ(prefs()->GetDouble(kHandledTime), now().ToDoubleT());
  // The pending check was replaced by the one after the hint.
  EXPECT_EQ(scheduler()->GetCurrentDelay(), TimeDelta::FromHours(1));
  // A triggered hint is taken without a power test.
  EXPECT_EQ(power_status_queries_, 1);  // The watcher's own query only.

  // The event triggered that one check only: the next, on mains power,
  // passes the battery hint by and counts nothing.
  Advance(TimeDelta::FromHours(2));
  power_status_.ACLineStatus = 1;
  Check();
  EXPECT_EQ(environment()->shown,
            (std::vector<std::string>{"battery", "places"}));
  EXPECT_EQ(prefs()->GetInteger(kEventCount), 1);
}

TEST_F(BatteryHintTest, SecondEventAnHourLaterIsTooSoon) {
  environment()->last_show_times["ads"] = now() - TimeDelta::FromDays(2);
  environment()->last_show_times["places"] = now() - TimeDelta::FromDays(2);
  SendPowerEventOnBattery();
  ASSERT_EQ(environment()->shown, std::vector<std::string>{"battery"});

  log().Clear();
  Advance(TimeDelta::FromHours(1));
  SendPowerEventOnBattery();
  EXPECT_TRUE(log().Contains(
      LOG_INFO, "Delay between OnPowerDisconnect is too short: 3600s"));
  EXPECT_FALSE(log().Contains(LOG_INFO, "Checking whether to show hint..."));
  EXPECT_EQ(prefs()->GetInteger(kEventCount), 1);
}

TEST_F(BatteryHintTest, EventSoonAfterAnyHintIsTooSoon) {
  environment()->last_shown = "places";
  environment()->last_show_times["places"] = now() - TimeDelta::FromMinutes(30);
  SendPowerEventOnBattery();
  EXPECT_TRUE(log().Contains(
      LOG_INFO, "Delay between last notification is too short: 1800s"));
  EXPECT_FALSE(log().Contains(LOG_INFO, "Checking whether to show hint..."));
  EXPECT_TRUE(environment()->shown.empty());
}

TEST_F(BatteryHintTest, ThreePowerTriggeredHintsInAll) {
  prefs()->SetInteger(kEventCount, 3);
  SendPowerEventOnBattery();
  EXPECT_TRUE(log().Contains(
      LOG_INFO, "OnPowerDisconnected Hint counter limit reached: 3"));
  EXPECT_FALSE(log().Contains(LOG_INFO, "Checking whether to show hint..."));
  EXPECT_EQ(prefs()->GetInteger(kEventCount), 3);
}

TEST_F(BatteryHintTest, CountedEvenWhenTheShowingFails) {
  environment()->show_fails = true;
  SendPowerEventOnBattery();
  EXPECT_EQ(environment()->shown, std::vector<std::string>{"battery"});
  EXPECT_EQ(prefs()->GetInteger(kEventCount), 1);
  EXPECT_DOUBLE_EQ(prefs()->GetDouble(kHandledTime), now().ToDoubleT());
}

TEST_F(BatteryHintTest, TriggerOutlastsARefusedCheck) {
  connected_ = false;
  SendPowerEventOnBattery();
  EXPECT_TRUE(log().Contains(LOG_INFO, "Don't show because user is offline."));
  EXPECT_TRUE(environment()->shown.empty());
  EXPECT_EQ(prefs()->GetInteger(kEventCount), 0);

  // Back on mains and online: the next check still takes the battery hint
  // first, although "ads" was never shown.
  connected_ = true;
  power_status_.ACLineStatus = 1;
  Check();
  EXPECT_EQ(environment()->shown, std::vector<std::string>{"battery"});
  EXPECT_EQ(prefs()->GetInteger(kEventCount), 1);
}

TEST_F(BatteryHintTest, MainsPowerEventTriggersNothing) {
  ASSERT_TRUE(hint()->watcher_for_testing());
  ::SendMessageW(hint()->watcher_for_testing()->hwnd(), WM_POWERBROADCAST,
                 PBT_APMPOWERSTATUSCHANGE, 0);
  RunUntilIdle();
  EXPECT_FALSE(log().Contains(LOG_INFO, "Checking whether to show hint..."));
  EXPECT_EQ(scheduler()->GetCurrentDelay(), TimeDelta::FromSeconds(300));
}

// The system sends its power broadcasts from a thread of its own, and COM
// refuses outgoing calls (the checks ask WMI) while such a message is being
// handled; the check also takes long. So it must run after the handler.
TEST_F(BatteryHintTest, PowerEventFromTheSystemsThreadChecksAfterTheHandler) {
  ASSERT_TRUE(hint()->watcher_for_testing());
  const HWND watcher = hint()->watcher_for_testing()->hwnd();
  power_status_.ACLineStatus = 0;
  HANDLE replied = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(replied);
  bool in_send_message = true;
  bool handler_returned = false;
  environment()->on_other_browser_query = [&] {
    in_send_message = ::InSendMessage() != FALSE;
    // A check inside the handler keeps the sender waiting: then the bound
    // runs out, and only then.
    handler_returned = ::WaitForSingleObject(replied, 10000) == WAIT_OBJECT_0;
  };
  std::thread system([watcher, replied] {
    ::SendMessageW(watcher, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    ::SetEvent(replied);
  });
  EXPECT_TRUE(RunLoopUntil([this] { return !environment()->shown.empty(); }));
  system.join();
  ::CloseHandle(replied);

  EXPECT_EQ(environment()->other_browser_queries, 1);
  EXPECT_FALSE(in_send_message);
  EXPECT_TRUE(handler_returned);
  EXPECT_EQ(environment()->shown, std::vector<std::string>{"battery"});
  EXPECT_EQ(prefs()->GetInteger(kEventCount), 1);
}

}  // namespace
