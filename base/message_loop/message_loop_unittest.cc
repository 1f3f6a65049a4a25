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

TEST(MessageLoopTest, IdleRunsTakeChainsOfPostedTasksButNotFutureOnes) {
  MessageLoop loop;
  auto runner = loop.task_runner();
  std::string seen;
  bool delayed_ran = false;
  runner->PostDelayedTask(
      FROM_HERE, [&] { delayed_ran = true; }, TimeDelta::FromSeconds(10));
  int links = 0;
  std::function<void()> chain = [&] {
    seen += "c";
    if (--links > 0)
      runner->PostTask(FROM_HERE, chain);
  };
  links = 3;
  runner->PostTask(FROM_HERE, chain);
  loop.RunUntilIdle();
  EXPECT_EQ("ccc", seen);

  // QuitWhenIdle still lets a chain that is going finish.
  runner->PostTask(FROM_HERE, [&] {
    MessageLoop::current()->QuitWhenIdle();
    links = 2;
    runner->PostTask(FROM_HERE, chain);
  });
  loop.Run();
  EXPECT_EQ("ccccc", seen);

  // QuitNow stops after the current task; the next run takes the rest.
  runner->PostTask(FROM_HERE, [&] {
    seen += "q";
    MessageLoop::current()->QuitNow();
  });
  runner->PostTask(FROM_HERE, [&] { seen += "r"; });
  loop.Run();
  EXPECT_EQ("cccccq", seen);
  loop.RunUntilIdle();
  EXPECT_EQ("cccccqr", seen);
  EXPECT_FALSE(delayed_ran);
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
  MessageLoop* seen_there = &loop;
  bool runs_there = true;
  threads.emplace_back([&] {
    seen_there = MessageLoop::current();
    runs_there = runner->RunsTasksOnCurrentThread();
  });
  loop.Run();
  for (auto& thread : threads)
    thread.join();
  EXPECT_EQ(&loop, MessageLoop::current());
  EXPECT_EQ(nullptr, seen_there);
  EXPECT_FALSE(runs_there);

  EXPECT_FALSE(off_thread);
  EXPECT_EQ(kThreads * kPerThread, total);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(static_cast<size_t>(kPerThread), seen[t].size());
    for (int i = 0; i < kPerThread; ++i)
      EXPECT_EQ(i, seen[t][i]) << "thread " << t;
  }
}

TEST(MessageLoopTest, DeadLoopRefusesTasksAndDropsQueuedOnes) {
  std::shared_ptr<SingleThreadTaskRunner> runner;
  auto held_by_tasks = std::make_shared<int>(0);
  bool ran = false;
  {
    MessageLoop loop;
    runner = loop.task_runner();
    EXPECT_TRUE(
        runner->PostTask(FROM_HERE, [&ran, held_by_tasks] { ran = true; }));
    EXPECT_TRUE(runner->PostDelayedTask(
        FROM_HERE, [&ran, held_by_tasks] { ran = true; },
        TimeDelta::FromMilliseconds(5)));
  }
  EXPECT_FALSE(ran);
  EXPECT_EQ(1, held_by_tasks.use_count());  // The queued tasks are gone.
  EXPECT_FALSE(runner->PostTask(FROM_HERE, [&] { ran = true; }));
  EXPECT_FALSE(runner->RunsTasksOnCurrentThread());

  // A new loop on the same thread works and sees none of the old tasks.
  MessageLoop second;
  EXPECT_EQ(&second, MessageLoop::current());
  second.RunUntilIdle();
  EXPECT_FALSE(ran);
}

// A plain window of the test's own, to see the loop serve other windows and
// to host foreign message loops.
constexpr UINT kMsgStartNestedPump = WM_APP + 1;
constexpr UINT_PTR kTestTimerId = 7;

struct TestWindowState {
  int timer_ticks = 0;
  bool nested_pump_done = false;
  DWORD nested_pump_ms = 5000;
  bool in_foreign_loop = false;
  std::function<void()> in_nested_pump;
};
TestWindowState* g_window_state = nullptr;

// Spins a message loop of its own until told to stop, like a popup menu's
// modal loop does.
void RunForeignLoopUntil(const bool* done, DWORD timeout_ms) {
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
    RunForeignLoopUntil(&g_window_state->nested_pump_done,
                        g_window_state->nested_pump_ms);
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

// Counts the timer messages of windows other than the test's own, that is
// the loop's wake-ups for delayed tasks.
int g_loop_timer_messages = 0;
HWND g_test_hwnd = nullptr;

LRESULT CALLBACK CountLoopTimers(int code, WPARAM wparam, LPARAM lparam) {
  const MSG* msg = reinterpret_cast<const MSG*>(lparam);
  if (code == HC_ACTION && wparam == PM_REMOVE && msg->message == WM_TIMER &&
      msg->hwnd != g_test_hwnd) {
    ++g_loop_timer_messages;
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

TEST_F(MessageLoopWindowTest, TaskDueNeverDoesNotWakeTheLoop) {
  // A delay that saturates ("never") must not be taken for an overdue task.
  bool ran = false;
  loop_.task_runner()->PostDelayedTask(
      FROM_HERE, [&] { ran = true; }, TimeDelta::Max());
  g_test_hwnd = hwnd_;
  g_loop_timer_messages = 0;
  HHOOK hook = ::SetWindowsHookExW(WH_GETMESSAGE, &CountLoopTimers, nullptr,
                                   ::GetCurrentThreadId());
  ASSERT_TRUE(hook);
  ASSERT_TRUE(::SetTimer(hwnd_, kTestTimerId, 100, nullptr));
  loop_.Run();
  ::UnhookWindowsHookEx(hook);
  EXPECT_EQ(3, state_.timer_ticks);
  EXPECT_FALSE(ran);
  EXPECT_EQ(0, g_loop_timer_messages);
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
    // The task itself pumps messages for a while, as a dialog would; it
    // ends by time, as nothing may end it from inside.
    ::SendMessageW(hwnd_, kMsgStartNestedPump, 0, 0);
    order += ">";
  });
  state_.nested_pump_ms = 150;
  runner->PostDelayedTask(
      FROM_HERE, [&] { MessageLoop::current()->QuitWhenIdle(); },
      TimeDelta::FromMilliseconds(20));
  loop_.Run();
  EXPECT_EQ("<>innerlate", order);
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
