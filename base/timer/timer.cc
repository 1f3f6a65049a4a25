#include "base/timer/timer.h"

#include <utility>

#include "base/logging.h"
#include "base/message_loop/message_loop.h"

namespace base {

// One armed run of the timer. The posted task holds only a weak link to it,
// so Stop, a restart or the timer's destruction cancel the run by dropping
// it; the task then finds nothing and does nothing.
struct OneShotTimer::Pending {
  OnceClosure task;
};

OneShotTimer::OneShotTimer() = default;

OneShotTimer::~OneShotTimer() {
  Stop();
}

void OneShotTimer::Start(const Location& from_here,
                         TimeDelta delay,
                         OnceClosure task) {
  Stop();
  delay_ = delay;
  MessageLoop* loop = MessageLoop::current();
  if (!loop) {
    LOG(ERROR) << "OneShotTimer started from " << from_here.function_name()
               << " on a thread without a message loop";
    return;
  }
  auto pending = std::make_shared<Pending>();
  pending->task = std::move(task);
  std::weak_ptr<Pending> weak = pending;
  bool posted = loop->task_runner()->PostDelayedTask(
      from_here,
      [weak] {
        std::shared_ptr<Pending> run = weak.lock();
        if (!run || !run->task)
          return;
        // Cleared before the call: IsRunning is false inside the task, and
        // the task may start the timer again or destroy it.
        OnceClosure task = std::move(run->task);
        run->task = nullptr;
        task();
      },
      delay < TimeDelta() ? TimeDelta() : delay);
  if (posted)
    pending_ = std::move(pending);
}

void OneShotTimer::Stop() {
  pending_.reset();
}

bool OneShotTimer::IsRunning() const {
  return pending_ && pending_->task;
}

}  // namespace base
