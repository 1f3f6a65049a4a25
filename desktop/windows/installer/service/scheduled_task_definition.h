#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASK_DEFINITION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASK_DEFINITION_H_

#include <windows.h>

#include <taskschd.h>

#include <string>
#include <vector>

#include "base/time/time.h"
#include "desktop/windows/installer/service/task_scheduler.h"

namespace installer {

// One trigger of a Task Scheduler 2.0 task. An empty string is a property
// that is not set.
struct ScheduledTaskTrigger {
  TASK_TRIGGER_TYPE2 type = TASK_TRIGGER_TIME;
  std::wstring id;
  std::wstring start_boundary;
  std::wstring end_boundary;
  short days_interval = 0;  // Daily triggers only.
  std::wstring user_id;     // Logon triggers only.
  std::wstring delay;       // Logon and boot triggers only.
};

// Everything TaskSchedulerV2 puts into a new task definition and its
// registration, decided from a TaskInfo alone so that it can be checked
// where the service itself keeps only part of it.
struct ScheduledTaskDefinition {
  ScheduledTaskDefinition();
  ScheduledTaskDefinition(const ScheduledTaskDefinition&);
  ~ScheduledTaskDefinition();

  // Registration information.
  std::wstring author;
  std::wstring description;

  // Settings, applied in this order.
  std::wstring execution_time_limit;
  TASK_INSTANCES_POLICY multiple_instances = TASK_INSTANCES_IGNORE_NEW;
  bool run_only_if_network_available = false;
  bool stop_if_going_on_batteries = false;
  bool disallow_start_if_on_batteries = false;
  bool start_when_available = true;
  std::wstring delete_expired_task_after;

  std::vector<ScheduledTaskTrigger> triggers;

  // The one exec action.
  std::wstring exec_path;
  std::wstring exec_arguments;

  bool run_level_highest = false;

  // Registration under the full name.
  std::wstring full_name;
  std::wstring user;
  TASK_LOGON_TYPE logon_type = TASK_LOGON_INTERACTIVE_TOKEN;
  // Set on the registered task when not empty.
  std::wstring security_descriptor;
  // A run-once task has done its work at registration.
  bool delete_after_registration = false;
};

// The definition of |info| for |user_name| at |now|; |user_is_admin| asks
// for the highest run level.
ScheduledTaskDefinition BuildScheduledTaskDefinition(
    const TaskInfo& info,
    const std::wstring& user_name,
    bool user_is_admin,
    base::Time now);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASK_DEFINITION_H_
