#include "base/threading/sequenced_worker_pool.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "base/logging.h"

namespace base {

// The pool serves a single sequence (the pref file's writes), so it runs one
// worker thread whatever |max_threads| says: tasks run strictly in order.
class SequencedWorkerPool::Impl
    : public std::enable_shared_from_this<SequencedWorkerPool::Impl> {
 public:
  explicit Impl(const std::string& name) : name_(name) {}
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  ~Impl() { Shutdown(); }

  bool Post(const Location& from_here, OnceClosure task, TimeDelta delay) {
    std::lock_guard<std::mutex> hold(lock_);
    if (shutting_down_)
      return false;
    if (!worker_.joinable()) {
      // The worker keeps this state alive until it ends: a task may delete
      // the pool, and with it the last other reference.
      worker_ =
          std::thread([self = shared_from_this()] { self->WorkerMain(); });
      worker_id_ = worker_.get_id();
    }
    TimeTicks due = TimeTicks::Now();
    if (delay > TimeDelta())
      due = due + delay;
    tasks_.emplace(std::make_pair(due, next_sequence_++), std::move(task));
    wake_.notify_all();
    return true;
  }

  bool RunsTasksOnCurrentThread() {
    std::lock_guard<std::mutex> hold(lock_);
    return worker_id_ == std::this_thread::get_id();
  }

  void Shutdown() {
    std::thread worker;
    {
      std::lock_guard<std::mutex> hold(lock_);
      shutting_down_ = true;
      wake_.notify_all();
      if (!worker_.joinable())
        return;
      if (worker_id_ == std::this_thread::get_id()) {
        // A task of this pool asked for the shutdown; the worker ends on
        // its own once the queue is empty and cannot wait for itself.
        LOG(WARNING) << "Shutdown of pool " << name_ << " from its own worker";
        return;
      }
      worker = std::move(worker_);
    }
    worker.join();
  }

  const std::string& name() const { return name_; }

 private:
  void WorkerMain() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
      if (tasks_.empty()) {
        if (shutting_down_)
          break;
        wake_.wait(hold);
        continue;
      }
      auto next = tasks_.begin();
      // At shutdown a delayed task runs at once: everything posted before
      // the shutdown is done, and the exit does not sit out the delay.
      if (!shutting_down_) {
        TimeDelta wait = next->first.first - TimeTicks::Now();
        if (wait > TimeDelta()) {
          wake_.wait_for(hold,
                         std::chrono::microseconds(wait.InMicroseconds()));
          continue;
        }
      }
      OnceClosure task = std::move(next->second);
      tasks_.erase(next);
      hold.unlock();
      task();
      task = nullptr;
      hold.lock();
    }
    // A shutdown asked for by one of the tasks left the thread unjoined.
    if (worker_.joinable() && worker_id_ == std::this_thread::get_id())
      worker_.detach();
  }

  const std::string name_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::thread worker_;
  std::thread::id worker_id_;
  bool shutting_down_ = false;
  uint64_t next_sequence_ = 0;
  std::map<std::pair<TimeTicks, uint64_t>, OnceClosure> tasks_;
};

namespace {

class PoolTaskRunner : public SequencedTaskRunner {
 public:
  explicit PoolTaskRunner(std::shared_ptr<SequencedWorkerPool::Impl> pool)
      : pool_(std::move(pool)) {}

  bool PostDelayedTask(const Location& from_here,
                       OnceClosure task,
                       TimeDelta delay) override {
    return pool_->Post(from_here, std::move(task), delay);
  }
  bool PostNonNestableDelayedTask(const Location& from_here,
                                  OnceClosure task,
                                  TimeDelta delay) override {
    return pool_->Post(from_here, std::move(task), delay);
  }
  bool RunsTasksOnCurrentThread() const override {
    return pool_->RunsTasksOnCurrentThread();
  }

 private:
  std::shared_ptr<SequencedWorkerPool::Impl> pool_;
};

}  // namespace

SequencedWorkerPool::SequencedWorkerPool(size_t max_threads,
                                         const std::string& thread_name_prefix)
    : impl_(std::make_shared<Impl>(thread_name_prefix)) {}

SequencedWorkerPool::~SequencedWorkerPool() {
  impl_->Shutdown();
}

std::shared_ptr<SequencedTaskRunner>
SequencedWorkerPool::GetSequencedTaskRunner() {
  return std::make_shared<PoolTaskRunner>(impl_);
}

void SequencedWorkerPool::Shutdown() {
  impl_->Shutdown();
}

const std::string& SequencedWorkerPool::name() const {
  return impl_->name();
}

}  // namespace base
