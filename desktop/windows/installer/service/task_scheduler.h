#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/time/time.h"

namespace installer {

// What a scheduled task runs and when. The installer fills one for its
// daily update task.
struct TaskInfo {
  // Main trigger values of |trigger_kind|.
  static constexpr int32_t kTriggerOnce = 0;
  static constexpr int32_t kTriggerDaily = 1;
  static constexpr int32_t kTriggerNone = 2;

  explicit TaskInfo(const base::CommandLine& command_line);

  base::CommandLine command_line;
  // The short name; the registered name is GetFullTaskName(name).
  std::wstring name;
  std::wstring description;
  // Run as the system account instead of the current user.
  BOOL all_users = FALSE;
  // Execution time limit; 0 means none.
  int32_t max_run_seconds = 0;
  // Daily unless set otherwise: the one kind every caller so far asks for.
  int32_t trigger_kind = kTriggerDaily;
  // A logon trigger for the user (a boot trigger for all users where the
  // service has one).
  bool add_logon_trigger = false;
  // Task Scheduler 2.0 only.
  bool run_only_if_network = false;
};

enum class TaskState {
  kNotFound = 0,
  kDisabled = 1,
  kUnknown = 2,
  kReady = 3,  // Ready or queued.
  kRunning = 4,
  kWillNotRun = 5,  // Task Scheduler 1.0 only.
};

// The registered name of a task: the product name, " scheduled ", |name|.
std::wstring GetFullTaskName(const std::wstring& name);

// Whether |full_name| is one that GetFullTaskName gives, compared without
// regard to ASCII case: only such tasks are ever cleaned up as orphans.
bool IsTaskNameOfThisService(const std::wstring& full_name);

// Registers, inspects and removes the installer's scheduled tasks. Every
// operation takes a short task name and builds the full one itself; each
// needs a successful Init() first.
class TaskScheduler {
 public:
  // Task Scheduler 1.0 before Windows Vista, 2.0 from it on. Init() is left
  // to the caller.
  static std::unique_ptr<TaskScheduler> Create();

  virtual ~TaskScheduler() = default;

  // Connects to the platform's scheduler.
  virtual bool Init() = 0;
  // Registers the task, replacing one of the same name.
  virtual bool CreateTask(const TaskInfo& info) = 0;
  // Deletes enabled tasks of ours whose one program no longer exists.
  virtual void DeleteOrphanedTasks() = 0;
  // An absent task is no error.
  virtual void DeleteTask(const std::wstring& name) = 0;
  // Sets the day interval of the task's first daily trigger.
  virtual void SetDailyInterval(const std::wstring& name, int days) = 0;
  virtual void SetTaskEnabled(const std::wstring& name, bool enabled) = 0;
  // Starts the task now. Task Scheduler 1.0 does not pass |args| on.
  virtual bool RunTask(const std::wstring& name,
                       const std::vector<std::wstring>& args) = 0;
  virtual TaskState GetTaskState(const std::wstring& name) = 0;
  // The null time when the task has not run or cannot be read.
  virtual base::Time GetLastRunTime(const std::wstring& name) = 0;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_H_
