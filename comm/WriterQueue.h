#pragma once
// WriterQueue: the writer thread's own queue of owned byte blocks, first in, first out.
// Any thread may Push; only the writer takes. Close (the owner's stop) drops every queued block
// and wakes a waiting writer; a closed queue takes nothing more.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace quorin {

class WriterQueue {
 public:
  // At most `capacity` blocks wait at a time; a Push beyond that is refused, as a full message
  // queue refuses a post.
  explicit WriterQueue(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

  // Any thread. Takes ownership of `block`. False (block dropped) when closed or full.
  bool Push(std::vector<std::uint8_t> block);
  // Writer thread. The oldest block, or nothing when the queue is empty or closed. Never waits.
  std::optional<std::vector<std::uint8_t>> TryTake();
  // Writer thread. Waits until a block is queued (true) or the queue is closed (false).
  bool WaitForBlock();
  // Any thread. Drops the queued blocks and wakes the writer; later Pushes are refused.
  void Close();
  std::size_t Size() const;

  static constexpr std::size_t kDefaultCapacity = 10000;

 private:
  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::vector<std::uint8_t>> blocks_;
  bool closed_ = false;
};

}  // namespace quorin
