#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "iap/JobControl.h"

namespace quorin {
namespace {

using namespace std::chrono_literals;

TEST(LimitPassed, IsStrict) {
  const auto start = JobClock::now();
  EXPECT_FALSE(LimitPassed(start, start + 500ms - 1ns, 500ms));
  EXPECT_FALSE(LimitPassed(start, start + 500ms, 500ms));
  EXPECT_TRUE(LimitPassed(start, start + 500ms + 1ns, 500ms));
  EXPECT_FALSE(LimitPassed(start, start, 0ns));
}

TEST(TimedWait, TimesOutOnlyAfterMoreThanTheLimit) {
  JobControl control;
  int looks = 0;
  const auto start = JobClock::now();
  const WaitResult result = control.WaitFor(50ms, [&] {
    ++looks;
    return false;
  });
  const auto elapsed = JobClock::now() - start;
  EXPECT_EQ(result, WaitResult::TimedOut);
  EXPECT_GT(elapsed, 50ms);
  EXPECT_LT(elapsed, 5s);
  EXPECT_GE(looks, 2);  // polled, not looked at once and slept through
}

TEST(TimedWait, DoesNotLookAtTheConditionOnceTheLimitHasPassed) {
  JobControl control;
  const auto start = JobClock::now();
  // Becomes true well after the limit: a wait that looked again after timing out would succeed.
  const WaitResult result =
      control.WaitFor(30ms, [&] { return JobClock::now() - start > 30ms + 100ms; });
  EXPECT_EQ(result, WaitResult::TimedOut);
}

TEST(TimedWait, ConditionAlreadyTrueSucceedsAtOnce) {
  JobControl control;
  EXPECT_EQ(control.WaitFor(2s, [] { return true; }), WaitResult::Met);
}

TEST(TimedWait, WakeFromAnotherThreadEndsTheWait) {
  JobControl control;
  std::atomic<bool> flag{false};
  const auto start = JobClock::now();
  std::thread setter([&] {
    std::this_thread::sleep_for(20ms);
    flag = true;
    control.Wake();
  });
  const WaitResult result = control.WaitFor(10s, [&] { return flag.load(); });
  const auto elapsed = JobClock::now() - start;
  setter.join();
  EXPECT_EQ(result, WaitResult::Met);
  EXPECT_GE(elapsed, 20ms);
  EXPECT_LT(elapsed, 5s);
}

TEST(TimedWait, FlagSetWithoutWakeIsFoundByPolling) {
  JobControl control;
  std::atomic<bool> flag{false};
  std::thread setter([&] {
    std::this_thread::sleep_for(20ms);
    flag = true;
  });
  const WaitResult result = control.WaitFor(10s, [&] { return flag.load(); });
  setter.join();
  EXPECT_EQ(result, WaitResult::Met);
}

TEST(TimedWait, CancelEndsTheWaitAtOnce) {
  JobControl control;
  std::thread canceller([&] {
    std::this_thread::sleep_for(20ms);
    control.Cancel();
  });
  const auto start = JobClock::now();
  const WaitResult result = control.WaitFor(60s, [] { return false; });
  canceller.join();
  EXPECT_EQ(result, WaitResult::Cancelled);
  EXPECT_LT(JobClock::now() - start, 30s);
}

TEST(Pause, LastsAtLeastItsDurationAndCancelCutsItShort) {
  JobControl control;
  auto start = JobClock::now();
  EXPECT_TRUE(control.Pause(30ms));
  EXPECT_GE(JobClock::now() - start, 30ms);

  std::thread canceller([&] {
    std::this_thread::sleep_for(20ms);
    control.Cancel();
  });
  start = JobClock::now();
  EXPECT_FALSE(control.Pause(60s));
  canceller.join();
  EXPECT_LT(JobClock::now() - start, 30s);
  EXPECT_FALSE(control.Pause(1h));  // once cancelled, pauses are skipped

  control.Reset();
  EXPECT_TRUE(control.Pause(1ms));
}

TEST(DelayMicroseconds, WaitsAtLeastTheGivenTime) {
  for (const std::int64_t us : {1, 150, 450, 900, 5000}) {
    const auto start = JobClock::now();
    DelayMicroseconds(us);
    EXPECT_GE(JobClock::now() - start, std::chrono::microseconds(us)) << us << " us";
  }
}

TEST(DelayMicroseconds, ZeroOrBelowReturnsAtOnce) {
  const auto start = JobClock::now();
  DelayMicroseconds(0);
  DelayMicroseconds(-1000000);
  EXPECT_LT(JobClock::now() - start, 1s);
}

}  // namespace
}  // namespace quorin
