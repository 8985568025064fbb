#pragma once
// Ctrl-C and termination requests while a command runs (flash, simulate), taken by the interrupt
// hook on its own thread instead of ending the process.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <utility>

#include "platform/InterruptHook.h"

namespace quorin {

class StopRequests {
 public:
  // Make it on the main thread before any other thread of the command starts: they inherit the
  // mask that sends every request to the hook, so none of them can be ended by one. Raises
  // std::system_error when the hook's thread cannot be started.
  StopRequests()
      : hook_([this](platform::InterruptKind) {
          {
            const std::lock_guard<std::mutex> lock(mutex_);
            arrived_.store(true);
            if (action_) action_();
          }
          changed_.notify_all();
        }) {}
  StopRequests(const StopRequests&) = delete;
  StopRequests& operator=(const StopRequests&) = delete;

  // True once a request came. Any thread.
  bool Arrived() const { return arrived_.load(); }
  // True when a request came, at the latest within `wait`. Any thread.
  bool Arrived(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, wait, [this] { return arrived_.load(); });
  }

  // From now on every request runs `action` on the hook's thread (empty: nothing). Returns once an
  // action under way has ended, so what the previous action used may go.
  void OnRequest(std::function<void()> action) {
    const std::lock_guard<std::mutex> lock(mutex_);
    action_ = std::move(action);
  }

 private:
  std::atomic<bool> arrived_{false};
  std::mutex mutex_;  // held while the action runs
  std::condition_variable changed_;
  std::function<void()> action_;  // guarded by mutex_
  platform::InterruptHook hook_;  // last: stops before the members it uses go
};

}  // namespace quorin
