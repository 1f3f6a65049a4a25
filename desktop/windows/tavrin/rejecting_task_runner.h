#ifndef DESKTOP_WINDOWS_TAVRIN_REJECTING_TASK_RUNNER_H_
#define DESKTOP_WINDOWS_TAVRIN_REJECTING_TASK_RUNNER_H_

#include "base/task_runner.h"

// A task runner that runs nothing. Given to a pref store as its file runner,
// it keeps that store read-only: the writes it would post are refused.
class RejectingTaskRunner : public base::SequencedTaskRunner {
 public:
  RejectingTaskRunner();
  RejectingTaskRunner(const RejectingTaskRunner&) = delete;
  RejectingTaskRunner& operator=(const RejectingTaskRunner&) = delete;
  ~RejectingTaskRunner() override;

  bool PostDelayedTask(const base::Location& from_here,
                       base::OnceClosure task,
                       base::TimeDelta delay) override;
  bool RunsTasksOnCurrentThread() const override;
  bool PostNonNestableDelayedTask(const base::Location& from_here,
                                  base::OnceClosure task,
                                  base::TimeDelta delay) override;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_REJECTING_TASK_RUNNER_H_
