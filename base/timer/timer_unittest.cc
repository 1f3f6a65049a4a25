#include "base/timer/timer.h"

#include <memory>

#include "base/message_loop/message_loop.h"
#include "gtest/gtest.h"

namespace base {
namespace {

// Ends the loop after |delay| whatever the timers did.
void QuitAfter(MessageLoop* loop, TimeDelta delay) {
  loop->task_runner()->PostDelayedTask(
      FROM_HERE, [] { MessageLoop::current()->QuitWhenIdle(); }, delay);
}

TEST(OneShotTimerTest, FiresOnceAfterItsDelay) {
  MessageLoop loop;
  OneShotTimer timer;
  int fired = 0;
  bool running_inside = true;
  const TimeTicks start = TimeTicks::Now();
  TimeDelta fired_after;
  timer.Start(FROM_HERE, TimeDelta::FromMilliseconds(40), [&] {
    ++fired;
    running_inside = timer.IsRunning();
    fired_after = TimeTicks::Now() - start;
  });
  EXPECT_TRUE(timer.IsRunning());
  EXPECT_EQ(TimeDelta::FromMilliseconds(40), timer.GetCurrentDelay());
  QuitAfter(&loop, TimeDelta::FromMilliseconds(120));
  loop.Run();
  EXPECT_EQ(1, fired);
  EXPECT_FALSE(running_inside);
  EXPECT_FALSE(timer.IsRunning());
  EXPECT_GE(fired_after, TimeDelta::FromMilliseconds(40));
}

TEST(OneShotTimerTest, StartAgainReplacesThePendingTask) {
  MessageLoop loop;
  OneShotTimer timer;
  std::string fired;
  timer.Start(FROM_HERE, TimeDelta::FromMilliseconds(10),
              [&] { fired += "a"; });
  timer.Start(FROM_HERE, TimeDelta::FromMilliseconds(30),
              [&] { fired += "b"; });
  QuitAfter(&loop, TimeDelta::FromMilliseconds(100));
  loop.Run();
  EXPECT_EQ("b", fired);
}

TEST(OneShotTimerTest, StopAndDestructionCancel) {
  MessageLoop loop;
  bool fired = false;
  OneShotTimer stopped;
  stopped.Start(FROM_HERE, TimeDelta::FromMilliseconds(10),
                [&] { fired = true; });
  stopped.Stop();
  EXPECT_FALSE(stopped.IsRunning());
  {
    OneShotTimer destroyed;
    destroyed.Start(FROM_HERE, TimeDelta(), [&] { fired = true; });
  }
  QuitAfter(&loop, TimeDelta::FromMilliseconds(50));
  loop.Run();
  EXPECT_FALSE(fired);
}

TEST(OneShotTimerTest, TaskMayRestartItsOwnTimer) {
  // The notification scheduler re-arms its timer from the timer's own task.
  MessageLoop loop;
  OneShotTimer timer;
  int fired = 0;
  std::function<void()> task = [&] {
    if (++fired < 3)
      timer.Start(FROM_HERE, TimeDelta::FromMilliseconds(5), task);
    else
      MessageLoop::current()->QuitWhenIdle();
  };
  // A negative delay runs as soon as possible.
  timer.Start(FROM_HERE, TimeDelta::FromSeconds(-5), task);
  loop.Run();
  EXPECT_EQ(3, fired);
  EXPECT_FALSE(timer.IsRunning());
}

TEST(OneShotTimerTest, TaskMayDestroyItsTimer) {
  MessageLoop loop;
  auto timer = std::make_unique<OneShotTimer>();
  bool fired = false;
  timer->Start(FROM_HERE, TimeDelta(), [&] {
    timer.reset();
    fired = true;
  });
  loop.RunUntilIdle();
  EXPECT_TRUE(fired);
  EXPECT_EQ(nullptr, timer);
}

TEST(OneShotTimerTest, NoLoopNoRun) {
  OneShotTimer timer;
  timer.Start(FROM_HERE, TimeDelta(), [] {});
  EXPECT_FALSE(timer.IsRunning());
}

}  // namespace
}  // namespace base
