#include "iap/JobControl.h"

#include <algorithm>

namespace quorin {

bool LimitPassed(JobClock::time_point start, JobClock::time_point now, JobClock::duration limit) {
  return now - start > limit;
}

void JobControl::Cancel() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_.store(true, std::memory_order_release);
  }
  wake_.notify_all();
}

void JobControl::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  cancelled_.store(false, std::memory_order_release);
}

void JobControl::Wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++wakeups_;
  }
  wake_.notify_all();
}

bool JobControl::Pause(JobClock::duration duration) {
  const auto until = JobClock::now() + duration;
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_until(lock, until, [this] { return Cancelled(); });
  return !Cancelled();
}

WaitResult JobControl::WaitFor(JobClock::duration limit, const std::function<bool()>& condition) {
  const auto start = JobClock::now();
  for (;;) {
    // Note the wake-up count before looking at the condition, so a wake between the look and the
    // sleep is not lost.
    std::uint64_t seen = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      seen = wakeups_;
    }
    const auto now = JobClock::now();
    if (LimitPassed(start, now, limit)) return WaitResult::TimedOut;
    if (condition()) return WaitResult::Met;
    if (Cancelled()) return WaitResult::Cancelled;
    const auto justPastLimit = start + limit + JobClock::duration(1);
    const auto until = std::min(now + kPollInterval, justPastLimit);
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait_until(lock, until, [&] { return wakeups_ != seen || Cancelled(); });
  }
}

void DelayMicroseconds(std::int64_t us) {
  const auto start = JobClock::now();
  for (;;) {
    const auto current = JobClock::now();
    const double elapsed = std::chrono::duration<double, std::micro>(current - start).count();
    if (elapsed >= static_cast<double>(us)) return;
  }
}

}  // namespace quorin
