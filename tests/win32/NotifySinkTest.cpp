// The Win32 notification sink on a real message queue (under Wine in the cross build): tasks run
// on the thread that pumps messages, in each posting thread's order, exactly once; nothing runs
// after Shutdown and nothing a refused task owns is leaked.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "app/win32/Win32NotifySink.h"

namespace quorin::win32 {
namespace {

using namespace std::chrono_literals;

// Dispatches this thread's messages until `done()` or the bound passes; returns done().
template <class Done>
bool PumpUntil(Done done, std::chrono::milliseconds bound = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  return done();
}

struct OrderCase {
  int threads;
  int tasksPerThread;
};

class NotifySinkOrder : public testing::TestWithParam<OrderCase> {};

// More tasks than a thread's message queue holds (10000): one wake message stands for them all.
INSTANTIATE_TEST_SUITE_P(Posters, NotifySinkOrder,
                         testing::Values(OrderCase{1, 100}, OrderCase{4, 2000},
                                         OrderCase{2, 30000}));

TEST_P(NotifySinkOrder, RunsEveryTaskOnceOnTheUiThreadInEachPostersOrder) {
  const auto [threads, perThread] = GetParam();
  Win32NotifySink sink;
  const DWORD uiThread = GetCurrentThreadId();
  std::vector<std::vector<int>> seen(threads);  // touched on the UI thread only
  std::atomic<int> wrongThread{0};
  std::vector<std::thread> posters;
  for (int t = 0; t < threads; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < perThread; ++i) {
        ASSERT_TRUE(sink.Post([&, t, i] {
          if (GetCurrentThreadId() != uiThread) ++wrongThread;
          seen[t].push_back(i);
        }));
      }
    });
  }
  for (auto& poster : posters) poster.join();
  // Nothing runs until the UI thread dispatches.
  for (const auto& s : seen) EXPECT_TRUE(s.empty());
  const auto total = [&] {
    std::size_t n = 0;
    for (const auto& s : seen) n += s.size();
    return n;
  };
  ASSERT_TRUE(PumpUntil([&] { return total() == std::size_t(threads) * perThread; }));
  PumpUntil([] { return false; }, 50ms);  // a second run of any task would show now
  EXPECT_EQ(total(), std::size_t(threads) * perThread);
  EXPECT_EQ(wrongThread.load(), 0);
  for (const auto& s : seen) {
    for (int i = 0; i < static_cast<int>(s.size()); ++i) ASSERT_EQ(s[i], i);
  }
}

TEST(NotifySink, AfterShutdownRefusesAndFreesQueuedAndRefusedTasksUnrun) {
  Win32NotifySink sink;
  auto owned = std::make_shared<int>(7);
  std::weak_ptr<int> watch = owned;
  bool ran = false;
  ASSERT_TRUE(sink.Post([owned, &ran] { ran = true; }));
  sink.Shutdown();
  EXPECT_FALSE(sink.Post([owned, &ran] { ran = true; }));
  owned.reset();
  EXPECT_TRUE(watch.expired());  // neither the queued nor the refused task kept it
  PumpUntil([] { return false; }, 100ms);
  EXPECT_FALSE(ran);
}

TEST(NotifySink, AThrowingTaskIsReportedAndTheTasksBehindItStillRun) {
  std::vector<std::string> reported;
  Win32NotifySink sink([&reported](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& caught) {
      reported.push_back(caught.what());
    }
  });
  std::vector<int> order;
  sink.Post([&] { order.push_back(1); });
  sink.Post([] { throw std::runtime_error("task failed"); });
  sink.Post([&] { order.push_back(3); });
  ASSERT_TRUE(PumpUntil([&] { return order.size() == 2; }));
  EXPECT_EQ(order, (std::vector<int>{1, 3}));
  EXPECT_EQ(reported, std::vector<std::string>{"task failed"});
}

}  // namespace
}  // namespace quorin::win32
