#include "base/timer/timer.h"

#include <string>

#include "base/message_loop/message_loop.h"
#include "gtest/gtest.h"

namespace base {
namespace {

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
  QuitAfter(&loop, TimeDelta::FromMilliseconds(120));
  loop.Run();
  EXPECT_EQ(1, fired);
  EXPECT_FALSE(running_inside);
  EXPECT_FALSE(timer.IsRunning());
  EXPECT_GE(fired_after, TimeDelta::FromMilliseconds(40));
}

TEST(OneShotTimerTest, RestartReplacesStopAndDestructionCancel) {
  MessageLoop loop;
  std::string fired;
  OneShotTimer restarted;
  restarted.Start(FROM_HERE, TimeDelta::FromMilliseconds(10),
                  [&] { fired += "a"; });
  restarted.Start(FROM_HERE, TimeDelta::FromMilliseconds(30),
                  [&] { fired += "b"; });
  OneShotTimer stopped;
  stopped.Start(FROM_HERE, TimeDelta(), [&] { fired += "s"; });
  stopped.Stop();
  EXPECT_FALSE(stopped.IsRunning());
  {
    OneShotTimer destroyed;
    destroyed.Start(FROM_HERE, TimeDelta(), [&] { fired += "d"; });
  }
  QuitAfter(&loop, TimeDelta::FromMilliseconds(100));
  loop.Run();
  EXPECT_EQ("b", fired);
}

TEST(OneShotTimerTest, TaskMayRestartItsOwnTimer) {
  // The notification scheduler re-arms its timer from the timer's task.
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

}  // namespace
}  // namespace base
