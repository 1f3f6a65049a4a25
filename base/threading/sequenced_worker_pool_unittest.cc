#include "base/threading/sequenced_worker_pool.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/at_exit.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(SequencedWorkerPoolTest, RunsTasksInOrderOnOneWorkerThread) {
  SequencedWorkerPool pool(3, "TestPool");
  EXPECT_EQ("TestPool", pool.name());
  auto runner = pool.GetSequencedTaskRunner();
  EXPECT_FALSE(runner->RunsTasksOnCurrentThread());

  std::mutex lock;
  std::vector<int> order;
  std::vector<std::thread::id> threads;
  bool on_worker = true;
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(runner->PostTask(FROM_HERE, [&, i] {
      if (i % 10 == 0)
        ::Sleep(2);
      std::lock_guard<std::mutex> hold(lock);
      order.push_back(i);
      threads.push_back(std::this_thread::get_id());
      on_worker = on_worker && runner->RunsTasksOnCurrentThread();
    }));
  }
  pool.Shutdown();

  ASSERT_EQ(50u, order.size());
  for (int i = 0; i < 50; ++i)
    EXPECT_EQ(i, order[i]);
  EXPECT_TRUE(on_worker);
  EXPECT_NE(std::this_thread::get_id(), threads[0]);
  for (const auto& id : threads)
    EXPECT_EQ(threads[0], id);
}

TEST(SequencedWorkerPoolTest, ShutdownWaitsForEarlierTasksThenRefuses) {
  SequencedWorkerPool pool(1, "TestPool");
  auto runner = pool.GetSequencedTaskRunner();
  std::atomic<bool> slow_done{false};
  std::atomic<bool> queued_done{false};
  std::atomic<bool> late_ran{false};
  ASSERT_TRUE(runner->PostTask(FROM_HERE, [&] {
    ::Sleep(300);
    slow_done = true;
  }));
  ASSERT_TRUE(
      runner->PostTask(FROM_HERE, [&] { queued_done = slow_done.load(); }));
  // A delayed task posted before the shutdown still runs, without making
  // the shutdown sit out its delay.
  std::atomic<bool> delayed_ran{false};
  ASSERT_TRUE(runner->PostDelayedTask(
      FROM_HERE, [&] { delayed_ran = true; }, TimeDelta::FromSeconds(30)));

  const TimeTicks start = TimeTicks::Now();
  pool.Shutdown();
  EXPECT_TRUE(slow_done);
  EXPECT_TRUE(queued_done);
  EXPECT_TRUE(delayed_ran);
  EXPECT_LT(TimeTicks::Now() - start, TimeDelta::FromSeconds(10));

  EXPECT_FALSE(runner->PostTask(FROM_HERE, [&] { late_ran = true; }));
  EXPECT_FALSE(pool.GetSequencedTaskRunner()->PostNonNestableDelayedTask(
      FROM_HERE, [&] { late_ran = true; }, TimeDelta()));
  pool.Shutdown();  // A second call is harmless.
  ::Sleep(20);
  EXPECT_FALSE(late_ran);
}

TEST(SequencedWorkerPoolTest, DestructionShutsDownAndRunnerOutlivesPool) {
  std::shared_ptr<SequencedTaskRunner> runner;
  std::atomic<bool> done{false};
  {
    SequencedWorkerPool pool(1, "TestPool");
    runner = pool.GetSequencedTaskRunner();
    runner->PostTask(FROM_HERE, [&] {
      ::Sleep(100);
      done = true;
    });
  }
  EXPECT_TRUE(done);
  EXPECT_FALSE(runner->PostTask(FROM_HERE, [] {}));
}

TEST(SequencedWorkerPoolTest, AtExitShutdownFinishesPendingWork) {
  std::atomic<bool> done{false};
  auto pool = std::make_shared<SequencedWorkerPool>(1, "PrefsTaskPool");
  {
    AtExitManager exit_manager;
    ASSERT_TRUE(AtExitManager::RegisterCallback([pool] { pool->Shutdown(); }));
    pool->GetSequencedTaskRunner()->PostTask(FROM_HERE, [&] {
      ::Sleep(150);
      done = true;
    });
  }
  EXPECT_TRUE(done);
}

TEST(SequencedWorkerPoolTest, ShutdownFromOwnTaskDoesNotHang) {
  auto pool = std::make_unique<SequencedWorkerPool>(1, "TestPool");
  auto runner = pool->GetSequencedTaskRunner();
  std::atomic<bool> after_ran{false};
  std::atomic<bool> refused{false};
  SequencedWorkerPool* raw = pool.get();
  runner->PostTask(FROM_HERE, [&, raw] {
    raw->Shutdown();
    refused = !runner->PostTask(FROM_HERE, [] {});
  });
  runner->PostTask(FROM_HERE, [&] { after_ran = true; });
  pool.reset();
  EXPECT_TRUE(refused);
  EXPECT_TRUE(after_ran);
}

}  // namespace
}  // namespace base
