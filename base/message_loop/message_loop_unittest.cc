#include "base/message_loop/message_loop.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(MessageLoopTest, CurrentIsPerThread) {
  EXPECT_EQ(nullptr, MessageLoop::current());
  {
    MessageLoop loop(MessageLoop::TYPE_UI);
    EXPECT_EQ(&loop, MessageLoop::current());
    EXPECT_EQ(MessageLoop::TYPE_UI, loop.type());
    EXPECT_TRUE(loop.task_runner()->RunsTasksOnCurrentThread());

    MessageLoop* seen = &loop;
    bool runs_there = true;
    std::thread other([&] {
      seen = MessageLoop::current();
      runs_there = loop.task_runner()->RunsTasksOnCurrentThread();
    });
    other.join();
    EXPECT_EQ(nullptr, seen);
    EXPECT_FALSE(runs_there);
  }
  EXPECT_EQ(nullptr, MessageLoop::current());
}

TEST(MessageLoopTest, ReadyTasksRunInPostingOrderDelayedByDueTime) {
  MessageLoop loop;
  auto runner = loop.task_runner();
  std::string order;
  const TimeTicks start = TimeTicks::Now();
  TimeDelta late_ran_after;

  runner->PostDelayedTask(
      FROM_HERE,
      [&] {
        order += "L";
        late_ran_after = TimeTicks::Now() - start;
        MessageLoop::current()->QuitWhenIdle();
      },
      TimeDelta::FromMilliseconds(300));
  runner->PostDelayedTask(
      FROM_HERE, [&] { order += "d"; }, TimeDelta::FromMilliseconds(150));
  runner->PostTask(FROM_HERE, [&] { order += "a"; });
  runner->PostDelayedTask(
      FROM_HERE, [&] { order += "e"; }, TimeDelta::FromMilliseconds(150));
  runner->PostTask(FROM_HERE, [&] {
    order += "b";
    // Posted while a task runs: runs after the tasks already ready.
    runner->PostTask(FROM_HERE, [&] { order += "x"; });
  });
  runner->PostTask(FROM_HERE, [&] { order += "c"; });
  loop.Run();

  EXPECT_EQ("abcxdeL", order);
  EXPECT_GE(late_ran_after, TimeDelta::FromMilliseconds(300));
}

TEST(MessageLoopTest, QuitWhenIdleRunsEverythingReadyFirst) {
  MessageLoop loop;
  auto runner = loop.task_runner();
  int chain = 0;
  bool delayed_ran = false;
  runner->PostDelayedTask(
      FROM_HERE, [&] { delayed_ran = true; }, TimeDelta::FromSeconds(10));
  std::function<void()> step = [&] {
    if (++chain < 5)
      runner->PostTask(FROM_HERE, step);
  };
  runner->PostTask(FROM_HERE, [&] {
    MessageLoop::current()->QuitWhenIdle();
    runner->PostTask(FROM_HERE, step);
  });
  const TimeTicks start = TimeTicks::Now();
  loop.Run();
  EXPECT_EQ(5, chain);
  EXPECT_FALSE(delayed_ran);
  EXPECT_LT(TimeTicks::Now() - start, TimeDelta::FromSeconds(5));
}

TEST(MessageLoopTest, RunUntilIdleRunsPostedChainsButNotFutureTasks) {
  MessageLoop loop;
  auto runner = loop.task_runner();
  std::vector<int> seen;
  bool delayed_ran = false;
  runner->PostDelayedTask(
      FROM_HERE, [&] { delayed_ran = true; }, TimeDelta::FromSeconds(10));
  runner->PostTask(FROM_HERE, [&] {
    seen.push_back(1);
    runner->PostTask(FROM_HERE, [&] {
      seen.push_back(2);
      runner->PostTask(FROM_HERE, [&] { seen.push_back(3); });
    });
  });
  loop.RunUntilIdle();
  EXPECT_EQ((std::vector<int>{1, 2, 3}), seen);
  EXPECT_FALSE(delayed_ran);

  // A later call picks up what was posted since.
  runner->PostTask(FROM_HERE, [&] { seen.push_back(4); });
  loop.RunUntilIdle();
  EXPECT_EQ(4u, seen.size());
}

TEST(MessageLoopTest, QuitNowLeavesLaterTasksQueued) {
  MessageLoop loop;
  auto runner = loop.task_runner();
  std::string order;
  runner->PostTask(FROM_HERE, [&] {
    order += "a";
    MessageLoop::current()->QuitNow();
  });
  runner->PostTask(FROM_HERE, [&] { order += "b"; });
  loop.Run();
  EXPECT_EQ("a", order);
  loop.RunUntilIdle();
  EXPECT_EQ("ab", order);
}

TEST(MessageLoopTest, PostFromOtherThreadsWakesTheLoop) {
  MessageLoop loop;
  auto runner = loop.task_runner();
  constexpr int kThreads = 4;
  constexpr int kPerThread = 200;
  std::vector<std::vector<int>> seen(kThreads);
  int total = 0;
  std::atomic<bool> off_thread{false};

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) {
        ASSERT_TRUE(runner->PostTask(FROM_HERE, [&, t, i] {
          if (!runner->RunsTasksOnCurrentThread())
            off_thread = true;
          seen[t].push_back(i);
          if (++total == kThreads * kPerThread)
            MessageLoop::current()->QuitWhenIdle();
        }));
        if (i % 50 == 0)
          ::Sleep(1);
      }
    });
  }
  loop.Run();
  for (auto& thread : threads)
    thread.join();

  EXPECT_FALSE(off_thread);
  EXPECT_EQ(kThreads * kPerThread, total);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(static_cast<size_t>(kPerThread), seen[t].size());
    for (int i = 0; i < kPerThread; ++i)
      EXPECT_EQ(i, seen[t][i]) << "thread " << t;
  }
}

// Counts live copies, to see when a queued task is destroyed.
struct Sentinel {
  explicit Sentinel(int* alive) : alive(alive) { ++*alive; }
  Sentinel(const Sentinel& other) : alive(other.alive) { ++*alive; }
  ~Sentinel() { --*alive; }
  int* alive;
};

TEST(MessageLoopTest, DeadLoopRefusesTasksAndDropsQueuedOnes) {
  std::shared_ptr<SingleThreadTaskRunner> runner;
  int alive = 0;
  bool ran = false;
  {
    MessageLoop loop;
    runner = loop.task_runner();
    Sentinel sentinel(&alive);
    EXPECT_TRUE(runner->PostTask(FROM_HERE, [&ran, sentinel] { ran = true; }));
    EXPECT_TRUE(runner->PostDelayedTask(
        FROM_HERE, [&ran, sentinel] { ran = true; },
        TimeDelta::FromMilliseconds(5)));
  }
  EXPECT_FALSE(ran);
  EXPECT_EQ(0, alive);

  EXPECT_FALSE(runner->PostTask(FROM_HERE, [&] { ran = true; }));
  EXPECT_FALSE(runner->PostNonNestableDelayedTask(
      FROM_HERE, [&] { ran = true; }, TimeDelta()));
  EXPECT_FALSE(runner->RunsTasksOnCurrentThread());

  // A new loop on the same thread works and does not see old tasks.
  MessageLoop second;
  second.task_runner()->PostTask(FROM_HERE, [] {});
  second.RunUntilIdle();
  EXPECT_FALSE(ran);
}

// A plain window of the test's own, to see the loop serve other windows and
// to host foreign message loops.
constexpr UINT kMsgStartNestedPump = WM_APP + 1;
constexpr UINT_PTR kTestTimerId = 7;

struct TestWindowState {
  int timer_ticks = 0;
  std::atomic<bool> nested_pump_done{false};
  bool in_foreign_loop = false;
  std::function<void()> in_nested_pump;
};
TestWindowState* g_window_state = nullptr;

// Spins a message loop of its own until told to stop, like a popup menu's
// modal loop does.
void RunForeignLoopUntil(const std::atomic<bool>* done, DWORD timeout_ms) {
  const DWORD start = ::GetTickCount();
  while (!*done && ::GetTickCount() - start < timeout_ms) {
    MSG msg;
    if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    } else {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }
}

LRESULT CALLBACK TestWindowProc(HWND hwnd,
                                UINT message,
                                WPARAM wparam,
                                LPARAM lparam) {
  if (message == WM_TIMER && wparam == kTestTimerId) {
    if (++g_window_state->timer_ticks == 3) {
      ::KillTimer(hwnd, kTestTimerId);
      MessageLoop::current()->QuitWhenIdle();
    }
    return 0;
  }
  if (message == kMsgStartNestedPump) {
    g_window_state->in_nested_pump();
    g_window_state->in_foreign_loop = true;
    RunForeignLoopUntil(&g_window_state->nested_pump_done, 5000);
    g_window_state->in_foreign_loop = false;
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

class MessageLoopWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    g_window_state = &state_;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &TestWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MessageLoopUnittestWindow";
    ::RegisterClassW(&wc);
    hwnd_ = ::CreateWindowW(L"MessageLoopUnittestWindow", L"", 0, 0, 0, 0, 0,
                            HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(hwnd_);
  }
  void TearDown() override {
    ::DestroyWindow(hwnd_);
    g_window_state = nullptr;
  }

  MessageLoop loop_;
  TestWindowState state_;
  HWND hwnd_ = nullptr;
};

TEST_F(MessageLoopWindowTest, RunDispatchesTimersOfOtherWindows) {
  ASSERT_TRUE(::SetTimer(hwnd_, kTestTimerId, 10, nullptr));
  loop_.Run();
  EXPECT_EQ(3, state_.timer_ticks);
}

TEST_F(MessageLoopWindowTest, TaskPostedInsideATaskNeverRunsInsideIt) {
  auto runner = loop_.task_runner();
  std::string order;
  state_.in_nested_pump = [] {};
  runner->PostTask(FROM_HERE, [&] {
    order += "<";
    runner->PostTask(FROM_HERE, [&] { order += "inner"; });
    runner->PostDelayedTask(
        FROM_HERE, [&] { order += "late"; }, TimeDelta::FromMilliseconds(10));
    // The task itself pumps messages for a while (as a dialog would).
    ::SendMessageW(hwnd_, kMsgStartNestedPump, 0, 0);
    order += ">";
  });
  // Stop the nested pump by time: nothing may end it from inside.
  state_.nested_pump_done = false;
  const TimeTicks start = TimeTicks::Now();
  runner->PostDelayedTask(
      FROM_HERE, [&] { MessageLoop::current()->QuitWhenIdle(); },
      TimeDelta::FromMilliseconds(20));
  std::thread stopper([&] {
    ::Sleep(150);
    state_.nested_pump_done = true;
    // Wake the pump so it sees the flag.
    ::PostMessageW(hwnd_, WM_NULL, 0, 0);
  });
  loop_.Run();
  stopper.join();
  EXPECT_EQ("<>innerlate", order);
  EXPECT_GE(TimeTicks::Now() - start, TimeDelta::FromMilliseconds(100));
}

TEST_F(MessageLoopWindowTest, ForeignModalLoopStillRunsTasks) {
  auto runner = loop_.task_runner();
  std::string order;
  // A window message (not a task) opens a modal loop, as a tray icon's menu
  // does; tasks posted meanwhile, immediate and delayed, still run inside
  // it, and the last one ends it.
  state_.in_nested_pump = [&] {
    runner->PostTask(FROM_HERE,
                     [&] { order += state_.in_foreign_loop ? "a" : "A"; });
    runner->PostDelayedTask(
        FROM_HERE,
        [&] {
          order += state_.in_foreign_loop ? "b" : "B";
          state_.nested_pump_done = true;
          MessageLoop::current()->QuitWhenIdle();
        },
        TimeDelta::FromMilliseconds(30));
  };
  ::PostMessageW(hwnd_, kMsgStartNestedPump, 0, 0);
  const TimeTicks start = TimeTicks::Now();
  loop_.Run();
  EXPECT_EQ("ab", order);
  EXPECT_FALSE(state_.in_foreign_loop);
  EXPECT_LT(TimeTicks::Now() - start, TimeDelta::FromSeconds(4));
}

}  // namespace
}  // namespace base
