#include "comm/EventLoop.h"

#include <utility>

namespace quorin {

EventLoop::~EventLoop() { Shutdown(); }

bool EventLoop::Post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    if (!shutDown_) {
      tasks_.push_back(std::move(task));
      wake_.notify_one();
      return true;
    }
  }
  // Refused: `task` is destroyed here, outside the lock, as it goes out of scope.
  return false;
}

void EventLoop::Quit() {
  std::lock_guard lock(mutex_);
  quitRequested_ = true;
  wake_.notify_all();
}

EventLoop::Wake EventLoop::TakeNext(std::function<void()>& task, const Clock::time_point* deadline,
                                    bool stopOnQuit) {
  std::unique_lock lock(mutex_);
  auto ready = [&] { return shutDown_ || !tasks_.empty() || (stopOnQuit && quitRequested_); };
  if (deadline != nullptr) {
    wake_.wait_until(lock, *deadline, ready);
  } else {
    wake_.wait(lock, ready);
  }
  if (shutDown_) return Wake::ShutDown;
  if (stopOnQuit && std::exchange(quitRequested_, false)) return Wake::Quit;
  if (tasks_.empty()) return Wake::TimedOut;
  task = std::move(tasks_.front());
  tasks_.pop_front();
  return Wake::Task;
}

bool EventLoop::RunUntilQuit(const Clock::time_point* deadline) {
  for (;;) {
    std::function<void()> task;
    if (const Wake wake = TakeNext(task, deadline, true); wake != Wake::Task) {
      return wake != Wake::TimedOut;
    }
    if (task) task();
    // A steady stream of tasks must not outlast the bound.
    if (deadline != nullptr && Clock::now() >= *deadline) return false;
  }
}

void EventLoop::Run() { RunUntilQuit(nullptr); }

bool EventLoop::RunFor(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  return RunUntilQuit(&deadline);
}

bool EventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    std::function<void()> task;
    if (TakeNext(task, &deadline, false) != Wake::Task) return done();
    if (task) task();
  }
}

std::size_t EventLoop::ProcessPending() {
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard lock(mutex_);
    if (shutDown_) return 0;
    batch.swap(tasks_);
  }
  std::size_t ran = 0;
  while (!batch.empty()) {
    auto task = std::move(batch.front());
    batch.pop_front();
    ++ran;
    try {
      if (task) task();
    } catch (...) {
      // Keep the untouched rest of the batch queued, in front of what was posted meanwhile.
      std::lock_guard lock(mutex_);
      if (!shutDown_) {
        while (!batch.empty()) {
          tasks_.push_front(std::move(batch.back()));
          batch.pop_back();
        }
      }
      throw;
    }
  }
  return ran;
}

void EventLoop::Shutdown() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(mutex_);
    shutDown_ = true;
    dropped.swap(tasks_);
    wake_.notify_all();
  }
  // `dropped` dies here, outside the lock, so a task's destructor may even Post (and be refused).
}

bool EventLoop::IsShutDown() const {
  std::lock_guard lock(mutex_);
  return shutDown_;
}

}  // namespace quorin
