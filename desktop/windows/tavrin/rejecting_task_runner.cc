#include "desktop/windows/tavrin/rejecting_task_runner.h"

RejectingTaskRunner::RejectingTaskRunner() = default;
RejectingTaskRunner::~RejectingTaskRunner() = default;

bool RejectingTaskRunner::PostDelayedTask(const base::Location& from_here,
                                          base::OnceClosure task,
                                          base::TimeDelta delay) {
  return false;
}

bool RejectingTaskRunner::RunsTasksOnCurrentThread() const {
  return false;
}

bool RejectingTaskRunner::PostNonNestableDelayedTask(
    const base::Location& from_here,
    base::OnceClosure task,
    base::TimeDelta delay) {
  return false;
}
