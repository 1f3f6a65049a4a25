#include "desktop/windows/installer/service/scheduled_task_definition.h"

#include <string>

#include "desktop/windows/installer/service/task_time.h"

namespace installer {

namespace {

constexpr wchar_t kDailyTriggerId[] = L"Daily run";
constexpr wchar_t kRunOnceTriggerId[] = L"Run once";
constexpr wchar_t kLogonTriggerId[] = L"Logon run";
constexpr wchar_t kLogonDelay[] = L"PT5M";
constexpr wchar_t kSystemAccount[] = L"SYSTEM";
// Authenticated users may read and run a task that runs for all of them.
constexpr wchar_t kAllUsersSecurityDescriptor[] = L"D:(A;;GRGX;;;AU)";
// The end boundary of a run-once task: it must still lie ahead when the
// service handles the registration trigger.
constexpr int kRunOnceEndSeconds = 30;

}  // namespace

ScheduledTaskDefinition::ScheduledTaskDefinition() = default;
ScheduledTaskDefinition::ScheduledTaskDefinition(
    const ScheduledTaskDefinition&) = default;
ScheduledTaskDefinition::~ScheduledTaskDefinition() = default;

ScheduledTaskDefinition BuildScheduledTaskDefinition(
    const TaskInfo& info,
    const std::wstring& user_name,
    bool user_is_admin,
    base::Time now) {
  ScheduledTaskDefinition definition;
  definition.author = user_name;
  definition.description = info.description;

  definition.execution_time_limit =
      L"PT" + std::to_wstring(info.max_run_seconds) + L"S";
  definition.multiple_instances = TASK_INSTANCES_IGNORE_NEW;
  definition.run_only_if_network_available = info.run_only_if_network;
  definition.stop_if_going_on_batteries = false;
  definition.disallow_start_if_on_batteries = false;
  definition.start_when_available = true;

  const bool run_once = info.trigger_kind == TaskInfo::kTriggerOnce;
  base::Time start = now;
  if (run_once) {
    definition.delete_expired_task_after = L"PT0S";
    start = now + base::TimeDelta::FromSeconds(kRunOnceEndSeconds);
  }
  const std::wstring start_text = FormatTaskTime(start);

  if (info.trigger_kind == TaskInfo::kTriggerDaily) {
    ScheduledTaskTrigger daily;
    daily.type = TASK_TRIGGER_DAILY;
    daily.id = kDailyTriggerId;
    daily.start_boundary = start_text;
    daily.days_interval = 1;
    definition.triggers.push_back(daily);
  } else if (run_once) {
    ScheduledTaskTrigger registration;
    registration.type = TASK_TRIGGER_REGISTRATION;
    registration.id = kRunOnceTriggerId;
    registration.end_boundary = start_text;
    definition.triggers.push_back(registration);
  }

  if (info.add_logon_trigger && !run_once) {
    ScheduledTaskTrigger logon;
    logon.id = kLogonTriggerId;
    logon.start_boundary = start_text;
    logon.delay = kLogonDelay;
    if (info.all_users) {
      logon.type = TASK_TRIGGER_BOOT;
    } else {
      logon.type = TASK_TRIGGER_LOGON;
      logon.user_id = user_name;
    }
    definition.triggers.push_back(logon);
  }

  definition.exec_path = info.command_line.GetProgram().native();
  definition.exec_arguments = info.command_line.GetArgumentsString();
  definition.run_level_highest = user_is_admin;

  definition.full_name = GetFullTaskName(info.name);
  if (info.all_users) {
    definition.user = kSystemAccount;
    definition.logon_type = TASK_LOGON_SERVICE_ACCOUNT;
    definition.security_descriptor = kAllUsersSecurityDescriptor;
  } else {
    definition.user = user_name;
    definition.logon_type = TASK_LOGON_INTERACTIVE_TOKEN;
  }
  definition.delete_after_registration = run_once;
  return definition;
}

}  // namespace installer
