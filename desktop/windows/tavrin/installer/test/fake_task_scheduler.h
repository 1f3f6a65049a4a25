#ifndef DESKTOP_WINDOWS_TAVRIN_INSTALLER_TEST_FAKE_TASK_SCHEDULER_H_
#define DESKTOP_WINDOWS_TAVRIN_INSTALLER_TEST_FAKE_TASK_SCHEDULER_H_

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/task_scheduler.h"

namespace installer {

// What the fake task service was asked to do, and how it answers. Outlives
// every FakeTaskScheduler made for it.
struct FakeTaskService {
  bool init_succeeds = true;
  bool create_succeeds = true;
  int orphan_cleanups = 0;
  std::vector<TaskInfo> created;
  std::vector<std::wstring> deleted;
};

// Stands in for the platform's task service (Task Scheduler 2.0 under Wine
// keeps a task's name only), so tests see the whole task description and can
// make registration fail.
class FakeTaskScheduler : public TaskScheduler {
 public:
  explicit FakeTaskScheduler(FakeTaskService* service);
  ~FakeTaskScheduler() override;

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
  FakeTaskService* service_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_TAVRIN_INSTALLER_TEST_FAKE_TASK_SCHEDULER_H_
