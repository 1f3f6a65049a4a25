#include "desktop/windows/tavrin/battery_watcher.h"

#include <windows.h>

#include "base/message_loop/message_loop.h"
#include "desktop/windows/tavrin/base_window_factory.h"
#include "desktop/windows/tavrin/power_status.h"
#include "gtest/gtest.h"

// A test machine cannot be put on battery (Wine always reports mains power),
// so the power status comes from the seam; the broadcasts are sent as the
// system would send them.

namespace {

bool g_status_ok = true;
BYTE g_ac_line_status = 1;

BOOL WINAPI FakePowerStatus(SYSTEM_POWER_STATUS* status) {
  if (!g_status_ok)
    return FALSE;
  *status = {};
  status->ACLineStatus = g_ac_line_status;
  return TRUE;
}

class BatteryWatcherTest : public testing::Test {
 protected:
  void SetUp() override {
    SetPowerStatusFunctionForTesting(&FakePowerStatus);
    g_status_ok = true;
    watcher_ =
        CreateBaseWindow<BatteryWatcher>(::GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(watcher_);
    watcher_->SetCallback([this] { ++runs_; });
  }
  void TearDown() override { SetPowerStatusFunctionForTesting(nullptr); }

  // The broadcast, then what it left for the loop.
  LRESULT Broadcast(WPARAM event) {
    const LRESULT result =
        ::SendMessageW(watcher_->hwnd(), WM_POWERBROADCAST, event, 0);
    loop_.RunUntilIdle();
    return result;
  }

  base::MessageLoop loop_{base::MessageLoop::TYPE_UI};
  std::unique_ptr<BatteryWatcher> watcher_;
  int runs_ = 0;
};

TEST_F(BatteryWatcherTest, IsAHiddenWindowOfItsOwnClass) {
  HWND hwnd = watcher_->hwnd();
  EXPECT_EQ(::FindWindowW(L"BatteryWatcherClass", L"BatteryWatcherClass"),
            hwnd);
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  watcher_.reset();
  EXPECT_FALSE(::IsWindow(hwnd));
}

TEST_F(BatteryWatcherTest, RunsTheCallbackOnlyOnBattery) {
  g_ac_line_status = 0;
  EXPECT_EQ(Broadcast(PBT_APMPOWERSTATUSCHANGE), 0);
  EXPECT_EQ(runs_, 1);
  // Whatever the event code.
  EXPECT_EQ(Broadcast(PBT_APMRESUMEAUTOMATIC), 0);
  EXPECT_EQ(runs_, 2);

  g_ac_line_status = 1;
  EXPECT_EQ(Broadcast(PBT_APMPOWERSTATUSCHANGE), 0);
  g_ac_line_status = 255;
  EXPECT_EQ(Broadcast(PBT_APMPOWERSTATUSCHANGE), 0);
  g_ac_line_status = 0;
  g_status_ok = false;
  EXPECT_EQ(Broadcast(PBT_APMPOWERSTATUSCHANGE), 0);
  EXPECT_EQ(runs_, 2);
}

TEST_F(BatteryWatcherTest, WithoutACallbackNothingRuns) {
  g_ac_line_status = 0;
  watcher_->SetCallback(nullptr);
  EXPECT_EQ(Broadcast(PBT_APMPOWERSTATUSCHANGE), 0);
  EXPECT_EQ(runs_, 0);
}

TEST_F(BatteryWatcherTest, WithoutTheSeamTheSystemAnswers) {
  // A fake that says "battery", then the seam taken away again: what the
  // watcher acts on must be the system's answer, whatever it is here.
  g_ac_line_status = 0;
  SetPowerStatusFunctionForTesting(nullptr);
  SYSTEM_POWER_STATUS system;
  ASSERT_TRUE(::GetSystemPowerStatus(&system));
  SYSTEM_POWER_STATUS seen;
  ASSERT_TRUE(GetPowerStatus(&seen));
  EXPECT_EQ(seen.ACLineStatus, system.ACLineStatus);
  EXPECT_EQ(Broadcast(PBT_APMPOWERSTATUSCHANGE), 0);
  EXPECT_EQ(runs_, system.ACLineStatus == 0 ? 1 : 0);
}

TEST_F(BatteryWatcherTest, OtherMessagesGetDefaultProcessing) {
  wchar_t title[64] = {};
  ::SendMessageW(watcher_->hwnd(), WM_GETTEXT, 64,
                 reinterpret_cast<LPARAM>(title));
  EXPECT_STREQ(title, L"BatteryWatcherClass");
}

}  // namespace
