#pragma once
// EventLoop: the headless NotifySink. One thread plays "the UI thread" by calling Run, RunFor,
// RunUntil or ProcessPending (the command line's main thread, a test's thread); any thread may Post
// to it.
//
// Contract:
// - Tasks run only inside Run, RunFor, RunUntil or ProcessPending, on the thread that called them,
//   one at a time, in the order they were posted (one queue for all posting threads, so the order
//   of each posting thread is kept too). Each task runs at most once.
// - Only one thread at a time may drive the loop (Run, RunFor, RunUntil, ProcessPending).
// - A task that throws ends the Run / RunUntil / ProcessPending that ran it with that exception;
//   the task is consumed, the tasks behind it stay queued.
// - After Shutdown (or destruction) Post returns false and destroys the task unrun; the tasks
//   still queued are destroyed unrun as well. Nothing a task owns is leaked either way.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

#include "comm/CommNotify.h"

namespace quorin {

class EventLoop final : public NotifySink {
 public:
  EventLoop() = default;
  // Shuts the loop down (queued tasks are destroyed unrun). No thread may still drive the loop.
  ~EventLoop() override;
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Any thread. Queues `task` and wakes the loop. False (task destroyed unrun) after Shutdown.
  // An empty task is queued and counted like any other but does nothing.
  bool Post(std::function<void()> task) override;

  // The loop's thread. Runs tasks as they come until Quit is requested or the loop is shut down.
  // A Quit requested before Run (from another thread) is not lost: Run then returns at once. The
  // request is consumed by the Run that returns because of it. Tasks still queued stay queued.
  void Run();
  // The loop's thread. Run with a bound: also returns once `timeout` has passed. True when Quit or
  // Shutdown ended it, false when the time ran out (tasks still queued stay queued).
  bool RunFor(std::chrono::milliseconds timeout);
  // Any thread (or a task). Asks Run or RunFor to return after the task it is running, if any.
  void Quit();

  // The loop's thread. Runs tasks until `done()` is true, `timeout` has passed, or the loop is
  // shut down; `done` is checked before waiting and after every task, on this thread. Returns the
  // last value of `done()`. Ignores Quit (for tests and bounded waits).
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

  // The loop's thread. Runs the tasks queued at the moment of the call (not those they post) and
  // returns how many ran. Never waits.
  std::size_t ProcessPending();

  // Any thread. From now on Post returns false; queued tasks are destroyed unrun (on this thread);
  // a Run or RunUntil in progress returns after its current task. Calling it again is harmless.
  void Shutdown();
  bool IsShutDown() const;

 private:
  using Clock = std::chrono::steady_clock;
  enum class Wake { Task, Quit, ShutDown, TimedOut };
  // Waits (up to `deadline`, if given) for a task, Quit or Shutdown; takes the next task if any.
  // `stopOnQuit` makes a pending Quit end the wait (and consumes it).
  Wake TakeNext(std::function<void()>& task, const Clock::time_point* deadline, bool stopOnQuit);
  // Run up to `deadline` (none: unbounded); true when Quit or Shutdown ended it.
  bool RunUntilQuit(const Clock::time_point* deadline);

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  bool quitRequested_ = false;
  bool shutDown_ = false;
};

}  // namespace quorin
