#include "platform/LoopbackLine.h"

#include <algorithm>

namespace quorin::platform {

LoopbackLine::LoopbackLine(std::size_t queueSize)
    : queueSize_(std::max<std::size_t>(queueSize, 1)) {}

bool LoopbackLine::Attach(End end) {
  std::lock_guard<std::mutex> lock(mutex_);
  bool& attached = attached_[static_cast<int>(end)];
  if (attached || cut_) return false;
  attached = true;
  return true;
}

void LoopbackLine::Detach(End end) {
  std::lock_guard<std::mutex> lock(mutex_);
  attached_[static_cast<int>(end)] = false;
}

void LoopbackLine::Cut() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    cut_ = true;
    attached_[0] = attached_[1] = false;
  }
  changed_.notify_all();
}

bool LoopbackLine::IsCut() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cut_;
}

LoopbackLine::Wait LoopbackLine::WaitFor(End end, Direction direction,
                                         std::optional<Clock::time_point> deadline,
                                         const std::function<bool()>& interrupted) {
  std::unique_lock<std::mutex> lock(mutex_);
  // A Readable wait takes the bytes left on a cut line; a Writable one has no room on it.
  const auto ready = [&] {
    return direction == Direction::Readable ? !Inbox(end).empty()
                                            : !cut_ && Outbox(end).size() < queueSize_;
  };
  for (;;) {
    if (interrupted && interrupted()) return Wait::Interrupted;
    if (ready()) return Wait::Ready;
    if (cut_) return Wait::Cut;
    if (!deadline) {
      changed_.wait(lock);
    } else if (changed_.wait_until(lock, *deadline) == std::cv_status::timeout &&
               Clock::now() >= *deadline) {
      // One last look: what arrived together with the deadline still counts.
      if (interrupted && interrupted()) return Wait::Interrupted;
      return ready() ? Wait::Ready : Wait::TimedOut;
    }
  }
}

LoopbackLine::Wait LoopbackLine::Idle(std::optional<Clock::time_point> deadline,
                                      const std::function<bool()>& interrupted) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto done = [&] { return interrupted && interrupted(); };
  if (!deadline) {
    changed_.wait(lock, done);
    return Wait::Interrupted;
  }
  return changed_.wait_until(lock, *deadline, done) ? Wait::Interrupted : Wait::TimedOut;
}

void LoopbackLine::Notify() {
  // Taking the lock orders the waker's change before a waiter's next look at it.
  { std::lock_guard<std::mutex> lock(mutex_); }
  changed_.notify_all();
}

std::size_t LoopbackLine::Take(End end, std::span<std::uint8_t> buffer) {
  std::size_t count = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& inbox = Inbox(end);
    count = std::min(buffer.size(), inbox.size());
    std::copy_n(inbox.begin(), count, buffer.begin());
    inbox.erase(inbox.begin(), inbox.begin() + static_cast<std::ptrdiff_t>(count));
  }
  if (count > 0) changed_.notify_all();  // room for the sender
  return count;
}

std::size_t LoopbackLine::Send(End end, std::span<const std::uint8_t> bytes) {
  std::size_t count = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cut_) return 0;
    auto& outbox = Outbox(end);
    count = std::min(bytes.size(), queueSize_ - std::min(queueSize_, outbox.size()));
    outbox.insert(outbox.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
  }
  if (count > 0) changed_.notify_all();
  return count;
}

void LoopbackLine::Purge(End end, bool input, bool output) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (input) Inbox(end).clear();
    if (output) Outbox(end).clear();
  }
  changed_.notify_all();
}

void LoopbackLine::SetBaud(std::uint32_t baud) {
  std::lock_guard<std::mutex> lock(mutex_);
  baud_ = baud;
}

std::uint32_t LoopbackLine::Baud() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return baud_;
}

}  // namespace quorin::platform
