#include "comm/CommThreads.h"

#include <utility>

namespace quorin {

namespace {

bool PostSimple(const PostNotification& post, std::uint32_t code, std::uint32_t value = 0) {
  return post(Notification{code, value, {}});
}

// Both threads end this way after a failure; the result of the post itself does not matter.
void PostHangup(const PostNotification& post) {
  PostSimple(post, NotifyHangup);
}

}  // namespace

TReadThread::TReadThread(std::shared_ptr<SerialDevice> port, PostNotification post)
    : port_(std::move(port)), post_(std::move(post)), buffer_(kChunkSize) {
  thread_ = std::jthread([this] { Body(); });
}

void TReadThread::Join() {
  if (thread_.joinable()) thread_.join();
}

bool TReadThread::PostLineEvents() {
  const LineEvents events = port_->TakeLineEvents();
  if (events.ErrorFlags != 0 && !PostSimple(post_, NotifyReceiveError, events.ErrorFlags)) {
    return false;
  }
  if (events.ModemEvents != 0 && !PostSimple(post_, NotifyModemState, events.ModemEvents)) {
    return false;
  }
  return true;
}

void TReadThread::Body() {
  RaiseCurrentThreadPriority(2);
  bool purge = true;
  while (!port_->StopRequested()) {
    const IoResult result = port_->Read(buffer_);
    if (result.Status == IoStatus::Stopped) break;
    if (result.Status == IoStatus::Closed) {
      purge = false;
      break;
    }
    if (result.Status == IoStatus::Gone) {
      PostHangup(post_);
      break;
    }
    // Line events first: an error or a carrier change usually comes with the bytes read.
    if (!PostLineEvents()) {
      PostHangup(post_);
      break;
    }
    if (result.Count == 0) break;  // a total time-out passed with nothing read: end silently
    Notification data{
        NotifyData, static_cast<std::uint32_t>(result.Count),
        std::vector<std::uint8_t>(buffer_.begin(),
                                  buffer_.begin() + static_cast<std::ptrdiff_t>(result.Count))};
    if (!post_(std::move(data))) {
      PostHangup(post_);
      break;
    }
  }
  if (purge) port_->Purge(true, false);
}

TWriteThread::TWriteThread(std::shared_ptr<SerialDevice> port, std::shared_ptr<WriterQueue> queue,
                           PostNotification post)
    : port_(std::move(port)), queue_(std::move(queue)), post_(std::move(post)) {
  thread_ = std::jthread([this] { Body(); });
}

void TWriteThread::Join() {
  if (thread_.joinable()) thread_.join();
}

TWriteThread::BlockResult TWriteThread::WriteBlock(const std::vector<std::uint8_t>& block) {
  std::size_t offset = 0;
  while (offset < block.size()) {
    // A write cut short goes on with the rest of the block.
    const IoResult result = port_->Write(std::span(block).subspan(offset));
    offset += result.Count;
    switch (result.Status) {
      case IoStatus::Done:
        break;
      case IoStatus::Stopped:
        return BlockResult::Stopped;
      case IoStatus::Closed:
        return BlockResult::Stopped;
      case IoStatus::Gone:
        PostHangup(post_);
        return BlockResult::Failed;
    }
  }
  return BlockResult::Written;
}

void TWriteThread::Body() {
  RaiseCurrentThreadPriority(1);
  bool notifyWhenEmpty = true;
  for (;;) {
    auto block = queue_->TryTake();
    if (!block) {
      // Drained: say so once after start and once after each run of writes.
      if (notifyWhenEmpty) {
        if (!PostSimple(post_, NotifySendEmpty)) {
          PostHangup(post_);
          break;
        }
        notifyWhenEmpty = false;
      }
      if (!queue_->WaitForBlock()) break;  // closed: the owner stops us
      continue;
    }
    if (port_->StopRequested()) break;
    if (WriteBlock(*block) != BlockResult::Written) break;
    notifyWhenEmpty = true;
  }
  // Blocks still queued are dropped, and SendData is refused from now on (as a post to an ended
  // thread is); what the driver still holds is dropped too.
  queue_->Close();
  port_->Purge(false, true);
}

}  // namespace quorin
