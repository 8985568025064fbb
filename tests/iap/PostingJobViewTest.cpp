#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "comm/EventLoop.h"
#include "iap/PostingJobView.h"

namespace quorin {
namespace {

// Writes down what reached it, as "line:X" / "progress:N" / "visible:B" / "maximum:N".
class ListView final : public JobView {
 public:
  void ClearLog() override { calls.push_back("clear"); }
  void AddLogLine(const std::string& line) override { calls.push_back("line:" + line); }
  void SetUpdateKindText(const std::string& text) override { calls.push_back("kind:" + text); }
  void SetGaugeVisible(bool v) override { calls.push_back(std::string("visible:") + (v ? "1" : "0")); }
  void SetGaugeMaximum(std::uint32_t m) override { calls.push_back("maximum:" + std::to_string(m)); }
  void SetGaugeProgress(std::uint32_t p) override {
    calls.push_back("progress:" + std::to_string(p));
  }
  std::vector<std::string> calls;
};

TEST(PostingJobView, CallsFromAWorkerRunOnTheLoopInOrderWithProgressFolded) {
  EventLoop loop;
  ListView view;
  auto alive = std::make_shared<int>(0);
  PostingJobView posting(loop, view, alive);
  std::thread worker([&] {
    posting.SetGaugeVisible(true);
    posting.SetGaugeMaximum(2000);
    for (std::uint32_t p = 1; p <= 1000; ++p) posting.SetGaugeProgress(p);
    posting.AddLogLine("half");
    for (std::uint32_t p = 1001; p <= 2000; ++p) posting.SetGaugeProgress(p);
    posting.AddLogLine("done");
    posting.SetGaugeVisible(false);
  });
  // Run the loop meanwhile, so some progress calls are taken while others are still coming.
  loop.RunUntil([&] { return !view.calls.empty() && view.calls.back() == "visible:0"; },
                std::chrono::seconds(30));
  worker.join();
  const auto& c = view.calls;
  ASSERT_GE(c.size(), 7u);
  EXPECT_EQ(c[0], "visible:1");
  EXPECT_EQ(c[1], "maximum:2000");
  const auto half = std::find(c.begin(), c.end(), "line:half");
  const auto done = std::find(c.begin(), c.end(), "line:done");
  ASSERT_NE(half, c.end());
  ASSERT_NE(done, c.end());
  EXPECT_EQ(*(half - 1), "progress:1000");  // every progress made before the line shows before it
  EXPECT_EQ(*(done - 1), "progress:2000");
  EXPECT_EQ(c.back(), "visible:0");
  long last = 0;
  for (const auto& call : c) {
    if (call.rfind("progress:", 0) == 0) {
      const long value = std::stol(call.substr(9));
      EXPECT_GE(value, last);  // a folded value may show twice, never go back
      last = value;
    }
  }
}

TEST(PostingJobView, CallsQueuedWhenTheOwnerHasGoneAreDropped) {
  EventLoop loop;
  ListView view;
  auto alive = std::make_shared<int>(0);
  PostingJobView posting(loop, view, alive);
  posting.AddLogLine("shown");
  loop.ProcessPending();
  posting.AddLogLine("late");
  posting.SetGaugeProgress(5);
  alive.reset();
  loop.ProcessPending();
  EXPECT_EQ(view.calls, (std::vector<std::string>{"line:shown"}));
}

}  // namespace
}  // namespace quorin
