#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V1_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V1_H_

#include <windows.h>

#include <wrl/client.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/service/task_scheduler.h"

// <mstask.h> stays out of this header: the one file that includes it
// defines its GUIDs.
struct ITask;
struct ITaskScheduler;

namespace installer {

// Work items of Task Scheduler 1.0 (before Windows Vista), kept by the
// platform as job files.
class TaskSchedulerV1 : public TaskScheduler {
 public:
  TaskSchedulerV1();
  TaskSchedulerV1(const TaskSchedulerV1&) = delete;
  TaskSchedulerV1& operator=(const TaskSchedulerV1&) = delete;
  ~TaskSchedulerV1() override;

  // TaskScheduler:
  bool Init() override;
  bool CreateTask(const TaskInfo& info) override;
  void DeleteOrphanedTasks() override;
  void DeleteTask(const std::wstring& name) override;
  void SetDailyInterval(const std::wstring& name, int days) override;
  void SetTaskEnabled(const std::wstring& name, bool enabled) override;
  bool RunTask(const std::wstring& name,
               const std::vector<std::wstring>& args) override;
  TaskState GetTaskState(const std::wstring& name) override;
  base::Time GetLastRunTime(const std::wstring& name) override;

 private:
  // Opens the work item |full_name| (an enumerated name or a full task
  // name).
  bool OpenTask(const std::wstring& full_name,
                Microsoft::WRL::ComPtr<ITask>* task);

  Microsoft::WRL::ComPtr<ITaskScheduler> scheduler_;
};

// The TaskState of a work item's status (ITask::GetStatus).
TaskState TaskStateFromJobStatus(HRESULT status);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V1_H_
