#pragma once
// How a job's worker waits: fixed pauses, timed waits for a response flag, and the cancel request
// that ends both at once. The worker is woken at once when the receive handler reports that a flag
// may have changed, and looks at the flags every kPollInterval in any case.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace quorin {

using JobClock = std::chrono::steady_clock;  // does not jump

// The timed-wait rule: a limit counts as passed only when strictly more than `limit` has elapsed
// between `start` and `now`; a wait that lasted exactly `limit` has not timed out. Any thread.
bool LimitPassed(JobClock::time_point start, JobClock::time_point now, JobClock::duration limit);

enum class WaitResult { Met, TimedOut, Cancelled };

class JobControl {
 public:
  // How often a timed wait looks at its condition when nobody wakes it. The receive handler wakes
  // the wait as soon as a flag may have changed, so this is only the fallback; a longer interval
  // spares the worker a timer wake-up every millisecond of a 100 ms acknowledgement wait.
  static constexpr std::chrono::milliseconds kPollInterval{10};

  // Any thread. From now on pauses and waits return at once and report the cancellation.
  void Cancel();
  bool Cancelled() const { return cancelled_.load(std::memory_order_acquire); }
  // UI thread, only while no worker uses this object: makes it usable for a new job.
  void Reset();

  // Any thread (the receive handler): a condition a wait polls may have become true.
  void Wake();

  // Worker. Sleeps for `duration` (a fixed pause: nothing shortens it but Cancel).
  // Returns false when cancelled, true when the whole pause was spent.
  bool Pause(JobClock::duration duration);

  // Worker. The timed wait: notes the start, then repeatedly: if the limit has passed, times out
  // without looking at the condition again; else, if `condition()` holds, succeeds; else, if
  // cancelled, reports it; else sleeps until woken or for at most kPollInterval.
  WaitResult WaitFor(JobClock::duration limit, const std::function<bool()>& condition);

 private:
  std::atomic<bool> cancelled_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  std::uint64_t wakeups_ = 0;  // guarded by mutex_
};

// Spins until `us` microseconds have passed on the steady high-resolution clock (elapsed >= us,
// computed in floating point). Reads the clock at least once, so 0 or below returns at once.
// Never sleeps or yields: the pause after each data block is finer than the system's sleep.
void DelayMicroseconds(std::int64_t us);

}  // namespace quorin
