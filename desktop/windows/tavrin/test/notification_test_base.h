#ifndef DESKTOP_WINDOWS_TAVRIN_TEST_NOTIFICATION_TEST_BASE_H_
#define DESKTOP_WINDOWS_TAVRIN_TEST_NOTIFICATION_TEST_BASE_H_

#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <string>

#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/test/test_log_capture.h"
#include "base/time/time.h"
#include "gtest/gtest.h"

class PrefService;
class TavrinNotificationScheduler;

namespace tavrin_test {

class FakeNotificationEnvironment;

// A UI loop, prefs on a temporary file, a clock that moves only when told,
// and the system queries of the checks answered by the test: shell state,
// connectivity and power status. The defaults are what a machine that may
// be shown a hint answers, on mains power with a battery.
class NotificationTestBase : public testing::Test {
 protected:
  NotificationTestBase();
  ~NotificationTestBase() override;

  void SetUp() override;
  void TearDown() override;

  // Creates the scheduler (which arms its first check) on a fake
  // environment that |environment()| then reaches.
  void CreateScheduler();
  void DestroyScheduler();

  void AppendSwitch(const std::string& name, const std::string& value);
  void Advance(base::TimeDelta delta) { now_ = now_ + delta; }
  base::Time now() const { return now_; }

  // Runs every task and message that is ready, and what they post.
  void RunUntilIdle() { loop_->RunUntilIdle(); }
  // Runs the loop until |done| is true or 10 s have passed.
  template <typename Predicate>
  bool RunLoopUntil(Predicate done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
      loop_->RunUntilIdle();
      if (!done())
        ::Sleep(10);
    }
    return done();
  }

  FakeNotificationEnvironment* environment() const { return environment_; }
  TavrinNotificationScheduler* scheduler() const { return scheduler_.get(); }
  PrefService* prefs() const { return prefs_.get(); }
  const base::TestLogCapture& log() const { return log_; }
  base::TestLogCapture& log() { return log_; }

  // System answers.
  static HRESULT shell_result_;
  static QUERY_USER_NOTIFICATION_STATE shell_state_;
  static bool connected_;
  static bool power_status_ok_;
  static SYSTEM_POWER_STATUS power_status_;
  static int power_status_queries_;

 private:
  static HRESULT WINAPI FakeShellState(QUERY_USER_NOTIFICATION_STATE* state);
  static BOOL WINAPI FakeConnectedState(DWORD* flags, DWORD reserved);
  static BOOL WINAPI FakePowerStatus(SYSTEM_POWER_STATUS* status);

  base::ScopedTempDir temp_;
  std::unique_ptr<base::MessageLoop> loop_;
  std::unique_ptr<PrefService> prefs_;
  base::Time now_;
  base::TestLogCapture log_;
  FakeNotificationEnvironment* environment_ = nullptr;
  std::unique_ptr<TavrinNotificationScheduler> scheduler_;
};

}  // namespace tavrin_test

#endif  // DESKTOP_WINDOWS_TAVRIN_TEST_NOTIFICATION_TEST_BASE_H_
