#include "desktop/windows/tavrin/test/notification_test_base.h"

#include "base/command_line.h"
#include "components/prefs/pref_registry_simple.h"
#include "components/prefs/pref_service.h"
#include "components/prefs/pref_service_factory.h"
#include "desktop/windows/tavrin/battery_hint.h"
#include "desktop/windows/tavrin/connected_state.h"
#include "desktop/windows/tavrin/power_status.h"
#include "desktop/windows/tavrin/tavrin_notification_scheduler.h"
#include "desktop/windows/tavrin/test/fake_notification_environment.h"
#include "desktop/windows/tavrin/user_notification_state.h"

namespace tavrin_test {

HRESULT NotificationTestBase::shell_result_ = S_OK;
QUERY_USER_NOTIFICATION_STATE NotificationTestBase::shell_state_ =
    QUNS_ACCEPTS_NOTIFICATIONS;
bool NotificationTestBase::connected_ = true;
bool NotificationTestBase::power_status_ok_ = true;
SYSTEM_POWER_STATUS NotificationTestBase::power_status_ = {};
int NotificationTestBase::power_status_queries_ = 0;

NotificationTestBase::NotificationTestBase() = default;

NotificationTestBase::~NotificationTestBase() = default;

void NotificationTestBase::SetUp() {
  ASSERT_TRUE(temp_.CreateUniqueTempDir());
  loop_ = std::make_unique<base::MessageLoop>(base::MessageLoop::TYPE_UI);
  PrefServiceFactory factory;
  factory.SetUserPrefsFile(temp_.GetPath() / L"tavrin_prefs.json",
                           loop_->task_runner());
  auto registry = std::make_shared<PrefRegistrySimple>();
  // The fake environment keeps what the notification manager would.
  BatteryHint::RegisterPrefs(registry.get());
  TavrinNotificationScheduler::RegisterPrefs(registry.get());
  prefs_ = factory.Create(registry);

  // A fixed moment well inside the range, so that hours before and after it
  // are real times.
  now_ = base::Time::FromDoubleT(1.7e9);
  base::Time::SetNowForTesting([this] { return now_; });

  shell_result_ = S_OK;
  shell_state_ = QUNS_ACCEPTS_NOTIFICATIONS;
  connected_ = true;
  power_status_ok_ = true;
  power_status_ = {};
  power_status_.ACLineStatus = 1;
  power_status_.BatteryFlag = 1;  // High charge.
  power_status_queries_ = 0;
  SetUserNotificationStateFunctionForTesting(&FakeShellState);
  SetConnectedStateFunctionForTesting(&FakeConnectedState);
  SetPowerStatusFunctionForTesting(&FakePowerStatus);

  base::CommandLine::Reset();
  base::CommandLine::Init(0, nullptr);
}

void NotificationTestBase::TearDown() {
  scheduler_.reset();
  environment_ = nullptr;
  SetUserNotificationStateFunctionForTesting(nullptr);
  SetConnectedStateFunctionForTesting(nullptr);
  SetPowerStatusFunctionForTesting(nullptr);
  base::Time::SetNowForTesting(nullptr);
  base::CommandLine::Reset();
  base::CommandLine::Init(0, nullptr);
  prefs_.reset();
  loop_.reset();
}

void NotificationTestBase::CreateScheduler() {
  auto environment = std::make_unique<FakeNotificationEnvironment>(prefs());
  environment_ = environment.get();
  scheduler_ =
      std::make_unique<TavrinNotificationScheduler>(std::move(environment));
}

void NotificationTestBase::DestroyScheduler() {
  scheduler_.reset();
  environment_ = nullptr;
}

void NotificationTestBase::AppendSwitch(const std::string& name,
                                        const std::string& value) {
  base::CommandLine::ForCurrentProcess()->AppendSwitchASCII(name, value);
}

// static
HRESULT WINAPI
NotificationTestBase::FakeShellState(QUERY_USER_NOTIFICATION_STATE* state) {
  *state = shell_state_;
  return shell_result_;
}

// static
BOOL WINAPI NotificationTestBase::FakeConnectedState(DWORD* flags,
                                                     DWORD reserved) {
  *flags = 0;
  return connected_;
}

// static
BOOL WINAPI NotificationTestBase::FakePowerStatus(SYSTEM_POWER_STATUS* status) {
  ++power_status_queries_;
  *status = power_status_;
  return power_status_ok_;
}

}  // namespace tavrin_test
