// The window's NotifySink: tasks run on the GUI thread, in each poster's order.
#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <map>
#include <stdexcept>
#include <thread>
#include <vector>

#include "GuiTestSupport.h"
#include "app/qt/QtNotifySink.h"

namespace quorin::test {
namespace {

TEST(QtNotifySink, RunsTasksOnTheGuiThreadInEachPostersOrder) {
  QtNotifySink sink;
  constexpr int kThreads = 3;
  constexpr int kTasks = 2000;
  std::map<int, std::vector<int>> seen;  // touched on the GUI thread only
  std::atomic<int> offGuiThread{0};
  QThread* gui = QThread::currentThread();
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < kTasks; ++i) {
        EXPECT_TRUE(sink.Post([&, t, i] {
          if (QThread::currentThread() != gui) ++offGuiThread;
          seen[t].push_back(i);
        }));
      }
    });
  }
  for (auto& poster : posters) poster.join();
  ASSERT_TRUE(WaitUntil([&] {
    std::size_t total = 0;
    for (const auto& [thread, values] : seen) total += values.size();
    return total == kThreads * kTasks;
  }));
  EXPECT_EQ(offGuiThread.load(), 0);
  for (const auto& [thread, values] : seen) {
    for (int i = 0; i < kTasks; ++i) ASSERT_EQ(values[i], i) << "poster " << thread;
  }
}

TEST(QtNotifySink, AfterShutdownRefusesAndSkipsQueuedTasks) {
  QtNotifySink sink;
  int ran = 0;
  auto owned = std::make_shared<int>(7);
  std::weak_ptr<int> watch = owned;
  EXPECT_TRUE(sink.Post([&ran] { ++ran; }));
  sink.Shutdown();
  EXPECT_FALSE(sink.Post([&ran, owned] { ++ran; }));
  owned.reset();
  EXPECT_TRUE(watch.expired()) << "a refused task is destroyed with what it owns";
  QApplication::processEvents();
  EXPECT_EQ(ran, 0);
}

TEST(QtNotifySink, ReportsWhatATaskRaisesAndGoesOn) {
  std::vector<std::string> errors;
  QtNotifySink sink([&](const std::exception& e) { errors.emplace_back(e.what()); });
  int ran = 0;
  sink.Post([] { throw std::runtime_error("boom"); });
  sink.Post([&ran] { ++ran; });
  ASSERT_TRUE(WaitUntil([&] { return ran == 1; }));
  EXPECT_EQ(errors, std::vector<std::string>{"boom"});
}

}  // namespace
}  // namespace quorin::test
