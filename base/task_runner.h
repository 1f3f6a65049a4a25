#ifndef BASE_TASK_RUNNER_H_
#define BASE_TASK_RUNNER_H_

#include <memory>

#include "base/callback.h"
#include "base/location.h"
#include "base/time/time.h"

namespace base {

// Runs posted tasks one at a time, in order. Shared by reference: whoever
// posts keeps the runner alive with a shared_ptr.
class SequencedTaskRunner {
 public:
  virtual ~SequencedTaskRunner() = default;

  // False when the task will never run (the runner refuses it or is gone).
  virtual bool PostDelayedTask(const Location& from_here, OnceClosure task,
                               TimeDelta delay) = 0;
  virtual bool PostNonNestableDelayedTask(const Location& from_here,
                                          OnceClosure task,
                                          TimeDelta delay) = 0;
  virtual bool RunsTasksOnCurrentThread() const = 0;

  bool PostTask(const Location& from_here, OnceClosure task) {
    return PostDelayedTask(from_here, std::move(task), TimeDelta());
  }
};

using SingleThreadTaskRunner = SequencedTaskRunner;

}  // namespace base

#endif  // BASE_TASK_RUNNER_H_
