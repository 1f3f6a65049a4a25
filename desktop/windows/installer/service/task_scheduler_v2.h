#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V2_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V2_H_

#include <windows.h>

#include <taskschd.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/service/scheduled_task_definition.h"
#include "desktop/windows/installer/service/task_scheduler.h"

namespace installer {

// Tasks in the root folder of Task Scheduler 2.0 (Windows Vista and later).
class TaskSchedulerV2 : public TaskScheduler {
 public:
  TaskSchedulerV2();
  TaskSchedulerV2(const TaskSchedulerV2&) = delete;
  TaskSchedulerV2& operator=(const TaskSchedulerV2&) = delete;
  ~TaskSchedulerV2() override;

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

  // Tests only: stands in for Init() with a service and the root folder
  // that tasks are registered in.
  void SetServiceForTesting(Microsoft::WRL::ComPtr<ITaskService> service,
                            Microsoft::WRL::ComPtr<ITaskFolder> root_folder);

 private:
  // Fills a new definition from |definition|, everything but the
  // registration itself.
  bool ApplyDefinition(const ScheduledTaskDefinition& definition,
                       ITaskDefinition* task);
  bool GetTask(const std::wstring& name,
               Microsoft::WRL::ComPtr<IRegisteredTask>* task);

  // Released in reverse order: the folder before the service.
  Microsoft::WRL::ComPtr<ITaskService> service_;
  Microsoft::WRL::ComPtr<ITaskFolder> root_folder_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V2_H_
