#ifndef BASE_THREADING_SEQUENCED_WORKER_POOL_H_
#define BASE_THREADING_SEQUENCED_WORKER_POOL_H_

#include <memory>
#include <string>

#include "base/task_runner.h"

namespace base {

// Worker threads that run posted tasks in order. Shutdown (or destruction)
// waits for every task posted before it, then refuses new ones; so a file
// write posted just before exit is finished, not cut off.
class SequencedWorkerPool {
 public:
  SequencedWorkerPool(size_t max_threads, const std::string& thread_name_prefix);
  SequencedWorkerPool(const SequencedWorkerPool&) = delete;
  SequencedWorkerPool& operator=(const SequencedWorkerPool&) = delete;
  ~SequencedWorkerPool();

  std::shared_ptr<SequencedTaskRunner> GetSequencedTaskRunner();
  void Shutdown();
  const std::string& name() const;

  class Impl;

 private:
  std::shared_ptr<Impl> impl_;
};

}  // namespace base

#endif  // BASE_THREADING_SEQUENCED_WORKER_POOL_H_
