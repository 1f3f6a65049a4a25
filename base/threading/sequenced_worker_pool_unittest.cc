#include "base/threading/sequenced_worker_pool.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(SequencedWorkerPoolTest, RunsTasksInOrderOnOneWorkerThread) {
  SequencedWorkerPool pool(3, "TestPool");
  auto runner = pool.GetSequencedTaskRunner();
  EXPECT_FALSE(runner->RunsTasksOnCurrentThread());
  // Only the worker touches these until Shutdown has joined it.
  std::vector<int> order;
  std::vector<std::thread::id> threads;
  bool on_worker = true;
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(runner->PostTask(FROM_HERE, [&, i] {
      if (i % 10 == 0)
        ::Sleep(2);
      order.push_back(i);
      threads.push_back(std::this_thread::get_id());
      on_worker = on_worker && runner->RunsTasksOnCurrentThread();
    }));
  }
  pool.Shutdown();
  ASSERT_EQ(50u, order.size());
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(i, order[i]);
    EXPECT_EQ(threads[0], threads[i]);
  }
  EXPECT_TRUE(on_worker);
  EXPECT_NE(std::this_thread::get_id(), threads[0]);
}

TEST(SequencedWorkerPoolTest, ShutdownWaitsForEarlierTasksThenRefuses) {
  auto pool = std::make_unique<SequencedWorkerPool>(1, "TestPool");
  auto runner = pool->GetSequencedTaskRunner();
  std::atomic<bool> slow_done{false};
  std::atomic<bool> queued_saw_slow{false};
  std::atomic<bool> delayed_ran{false};
  std::atomic<bool> late_ran{false};
  ASSERT_TRUE(runner->PostTask(FROM_HERE, [&] {
    ::Sleep(300);
    slow_done = true;
  }));
  ASSERT_TRUE(
      runner->PostTask(FROM_HERE, [&] { queued_saw_slow = slow_done.load(); }));
  // Runs at shutdown without the shutdown sitting out its delay.
  ASSERT_TRUE(runner->PostDelayedTask(
      FROM_HERE, [&] { delayed_ran = true; }, TimeDelta::FromSeconds(30)));
  const TimeTicks start = TimeTicks::Now();
  pool->Shutdown();
  EXPECT_TRUE(slow_done);
  EXPECT_TRUE(queued_saw_slow);
  EXPECT_TRUE(delayed_ran);
  EXPECT_LT(TimeTicks::Now() - start, TimeDelta::FromSeconds(10));

  EXPECT_FALSE(runner->PostTask(FROM_HERE, [&] { late_ran = true; }));
  pool.reset();  // A second shutdown, from the destructor, is harmless.
  EXPECT_FALSE(runner->PostTask(FROM_HERE, [&] { late_ran = true; }));
  EXPECT_FALSE(late_ran);
}

TEST(SequencedWorkerPoolTest, ShutdownFromOwnTaskDoesNotHang) {
  auto pool = std::make_unique<SequencedWorkerPool>(1, "TestPool");
  auto runner = pool->GetSequencedTaskRunner();
  std::atomic<bool> after_ran{false};
  std::atomic<bool> refused{false};
  SequencedWorkerPool* raw = pool.get();
  // Holds the worker until both tasks are queued.
  HANDLE queued = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  runner->PostTask(FROM_HERE, [&, raw] {
    ::WaitForSingleObject(queued, 10000);
    raw->Shutdown();
    refused = !runner->PostTask(FROM_HERE, [] {});
  });
  ASSERT_TRUE(runner->PostTask(FROM_HERE, [&] { after_ran = true; }));
  ::SetEvent(queued);
  pool.reset();
  ::CloseHandle(queued);
  EXPECT_TRUE(refused);
  EXPECT_TRUE(after_ran);
}

TEST(SequencedWorkerPoolTest, PoolDeletedByItsOwnTaskFinishesItsQueue) {
  auto* pool = new SequencedWorkerPool(1, "TestPool");
  HANDLE queued = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  {
    auto runner = pool->GetSequencedTaskRunner();
    runner->PostTask(FROM_HERE, [pool, queued] {
      ::WaitForSingleObject(queued, 10000);
      delete pool;
    });
    runner->PostTask(FROM_HERE, [done] { ::SetEvent(done); });
  }
  // No runner is left: the worker is all that keeps the pool's state.
  ::SetEvent(queued);
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(done, 10000));
  ::CloseHandle(queued);
  ::CloseHandle(done);
}

}  // namespace
}  // namespace base
