#ifndef BASE_TIMER_TIMER_H_
#define BASE_TIMER_TIMER_H_

#include <memory>

#include "base/callback.h"
#include "base/location.h"
#include "base/time/time.h"

namespace base {

// Runs a task once, after a delay, on the current thread's message loop.
// Starting again replaces the pending task; Stop or destruction cancels it.
class OneShotTimer {
 public:
  OneShotTimer();
  OneShotTimer(const OneShotTimer&) = delete;
  OneShotTimer& operator=(const OneShotTimer&) = delete;
  ~OneShotTimer();

  void Start(const Location& from_here, TimeDelta delay, OnceClosure task);
  void Stop();
  bool IsRunning() const;
  TimeDelta GetCurrentDelay() const { return delay_; }

 private:
  struct Pending;
  std::shared_ptr<Pending> pending_;
  TimeDelta delay_;
};

using Timer = OneShotTimer;

}  // namespace base

#endif  // BASE_TIMER_TIMER_H_
