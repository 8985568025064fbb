#include "comm/WriterQueue.h"

#include <utility>

namespace quorin {

bool WriterQueue::Push(std::vector<std::uint8_t> block) {
  std::lock_guard lock(mutex_);
  if (closed_ || blocks_.size() >= capacity_) return false;
  blocks_.push_back(std::move(block));
  wake_.notify_one();
  return true;
}

std::optional<std::vector<std::uint8_t>> WriterQueue::TryTake() {
  std::lock_guard lock(mutex_);
  if (closed_ || blocks_.empty()) return std::nullopt;
  auto block = std::move(blocks_.front());
  blocks_.pop_front();
  return block;
}

bool WriterQueue::WaitForBlock() {
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [&] { return closed_ || !blocks_.empty(); });
  return !closed_;
}

void WriterQueue::Close() {
  std::deque<std::vector<std::uint8_t>> dropped;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    dropped.swap(blocks_);
    wake_.notify_all();
  }
}

std::size_t WriterQueue::Size() const {
  std::lock_guard lock(mutex_);
  return blocks_.size();
}

}  // namespace quorin
