// The headless UI thread: order, exactly-once, shutdown and the bounded waits.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "comm/EventLoop.h"

namespace quorin {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(EventLoopTest, TasksOfEachPostingThreadRunOnceInTheirOrderOnTheLoopThread) {
  EventLoop loop;
  constexpr int kThreads = 4;
  constexpr int kTasks = 2000;
  std::vector<int> lastSeen(kThreads, -1);
  int ran = 0;
  bool orderKept = true;
  bool onLoopThread = true;
  const auto loopThread = std::this_thread::get_id();
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < kTasks; ++i) {
        ASSERT_TRUE(loop.Post([&, t, i] {
          orderKept = orderKept && lastSeen[t] == i - 1;
          onLoopThread = onLoopThread && std::this_thread::get_id() == loopThread;
          lastSeen[t] = i;
          ++ran;
        }));
      }
    });
  }
  EXPECT_TRUE(loop.RunUntil([&] { return ran == kThreads * kTasks; }, 20s));
  for (auto& p : posters) p.join();
  loop.ProcessPending();
  EXPECT_EQ(ran, kThreads * kTasks);
  EXPECT_TRUE(orderKept);
  EXPECT_TRUE(onLoopThread);
}

TEST(EventLoopTest, AfterShutdownPostIsRefusedAndQueuedTasksAreDestroyedUnrun) {
  EventLoop loop;
  auto queuedToken = std::make_shared<int>(1);
  std::weak_ptr<int> queuedWatch = queuedToken;
  bool ran = false;
  ASSERT_TRUE(loop.Post([t = std::move(queuedToken), &ran] { ran = true; }));
  loop.Shutdown();
  EXPECT_TRUE(queuedWatch.expired());  // freed, not leaked

  auto refusedToken = std::make_shared<int>(2);
  std::weak_ptr<int> refusedWatch = refusedToken;
  EXPECT_FALSE(loop.Post([t = std::move(refusedToken), &ran] { ran = true; }));
  EXPECT_TRUE(refusedWatch.expired());
  EXPECT_EQ(loop.ProcessPending(), 0u);
  EXPECT_FALSE(loop.RunUntil([] { return false; }, 10ms));
  EXPECT_TRUE(loop.RunFor(10s));  // returns at once
  EXPECT_FALSE(ran);
  EXPECT_TRUE(loop.IsShutDown());
  loop.Shutdown();  // again: harmless
}

TEST(EventLoopTest, DestroyingTheLoopFreesWhatQueuedTasksOwn) {
  auto token = std::make_shared<int>(3);
  std::weak_ptr<int> watch = token;
  {
    EventLoop loop;
    loop.Post([t = std::move(token)] {});
  }
  EXPECT_TRUE(watch.expired());
}

TEST(EventLoopTest, RunReturnsOnQuitFromATaskOrFromAnotherThread) {
  EventLoop loop;
  int ran = 0;
  loop.Post([&] { ++ran; });
  loop.Post([&] { loop.Quit(); });
  loop.Post([&] { ran += 10; });
  ASSERT_TRUE(loop.RunFor(10s));
  EXPECT_EQ(ran, 1);  // the task behind Quit waits for the next run
  EXPECT_EQ(loop.ProcessPending(), 1u);
  EXPECT_EQ(ran, 11);

  // Taken before the quitter starts its sleep, which may begin before this thread goes on.
  const auto start = Clock::now();
  std::thread quitter([&] {
    std::this_thread::sleep_for(50ms);
    loop.Quit();
  });
  EXPECT_TRUE(loop.RunFor(10s));
  EXPECT_GE(Clock::now() - start, 50ms);
  quitter.join();
}

TEST(EventLoopTest, QuitBeforeRunIsNotLostAndIsConsumedOnce) {
  EventLoop loop;
  std::thread([&] { loop.Quit(); }).join();
  EXPECT_TRUE(loop.RunFor(10s));  // returns at once
  bool ran = false;
  loop.Post([&] {
    ran = true;
    loop.Quit();
  });
  EXPECT_TRUE(loop.RunFor(10s));  // the earlier Quit was consumed: this one runs the task
  EXPECT_TRUE(ran);
}

TEST(EventLoopTest, ShutdownFromAnotherThreadEndsRun) {
  EventLoop loop;
  std::thread stopper([&] {
    std::this_thread::sleep_for(20ms);
    loop.Shutdown();
  });
  EXPECT_TRUE(loop.RunFor(10s));
  stopper.join();
  EXPECT_FALSE(loop.Post([] {}));
}

TEST(EventLoopTest, RunForEndsAtItsBoundWithoutQuitEvenWhileTasksKeepComing) {
  EventLoop loop;
  auto start = Clock::now();
  EXPECT_FALSE(loop.RunFor(60ms));
  EXPECT_GE(Clock::now() - start, 60ms);

  std::function<void()> again = [&] { loop.Post(again); };
  loop.Post(again);
  start = Clock::now();
  EXPECT_FALSE(loop.RunFor(60ms));
  EXPECT_GE(Clock::now() - start, 60ms);
  EXPECT_LT(Clock::now() - start, 10s);
  loop.Shutdown();
}

TEST(EventLoopTest, RunUntilWaitsAtLeastItsTimeOutAndStopsAsSoonAsDone) {
  EventLoop loop;
  auto start = Clock::now();
  EXPECT_FALSE(loop.RunUntil([] { return false; }, 60ms));
  EXPECT_GE(Clock::now() - start, 60ms);

  bool done = false;
  std::thread poster([&] {
    std::this_thread::sleep_for(20ms);
    loop.Post([&] { done = true; });
  });
  start = Clock::now();
  EXPECT_TRUE(loop.RunUntil([&] { return done; }, 20s));
  EXPECT_LT(Clock::now() - start, 10s);
  poster.join();

  int later = 0;
  loop.Post([&] { ++later; });
  EXPECT_TRUE(loop.RunUntil([] { return true; }, 1s));  // already done: runs nothing
  EXPECT_EQ(later, 0);
}

TEST(EventLoopTest, ProcessPendingRunsOnlyWhatWasQueuedAtTheCall) {
  EventLoop loop;
  int runs = 0;
  std::function<void()> again = [&] {
    ++runs;
    loop.Post(again);
  };
  loop.Post(again);
  EXPECT_EQ(loop.ProcessPending(), 1u);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(loop.ProcessPending(), 1u);
  EXPECT_EQ(runs, 2);
  loop.Shutdown();
}

TEST(EventLoopTest, ATaskThatThrowsEndsTheCallAndLeavesTheRestQueued) {
  EventLoop loop;
  std::vector<int> order;
  loop.Post([&] { order.push_back(1); });
  loop.Post([] { throw std::runtime_error("boom"); });
  loop.Post([&] { order.push_back(3); });
  EXPECT_THROW(loop.ProcessPending(), std::runtime_error);
  loop.Post([&] { order.push_back(4); });
  EXPECT_EQ(loop.ProcessPending(), 2u);
  EXPECT_EQ(order, (std::vector<int>{1, 3, 4}));

  loop.Post([] { throw std::runtime_error("again"); });
  loop.Post([&] { order.push_back(5); });
  EXPECT_THROW(loop.RunFor(10s), std::runtime_error);
  EXPECT_TRUE(loop.RunUntil([&] { return order.back() == 5; }, 1s));
}

}  // namespace
}  // namespace quorin
