#include "desktop/windows/tavrin/installer/test/fake_task_scheduler.h"

namespace installer {

FakeTaskScheduler::FakeTaskScheduler(FakeTaskService* service)
    : service_(service) {}

FakeTaskScheduler::~FakeTaskScheduler() = default;

bool FakeTaskScheduler::Init() {
  return service_->init_succeeds;
}

bool FakeTaskScheduler::CreateTask(const TaskInfo& info) {
  if (!service_->create_succeeds)
    return false;
  service_->created.push_back(info);
  return true;
}

void FakeTaskScheduler::DeleteOrphanedTasks() {
  ++service_->orphan_cleanups;
}

void FakeTaskScheduler::DeleteTask(const std::wstring& name) {
  service_->deleted.push_back(name);
}

void FakeTaskScheduler::SetDailyInterval(const std::wstring& name, int days) {}

void FakeTaskScheduler::SetTaskEnabled(const std::wstring& name, bool enabled) {
}

bool FakeTaskScheduler::RunTask(const std::wstring& name,
                                const std::vector<std::wstring>& args) {
  return false;
}

TaskState FakeTaskScheduler::GetTaskState(const std::wstring& name) {
  return TaskState::kNotFound;
}

base::Time FakeTaskScheduler::GetLastRunTime(const std::wstring& name) {
  return base::Time();
}

}  // namespace installer
