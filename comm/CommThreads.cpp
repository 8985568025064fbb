#include "comm/CommThreads.h"

#include <utility>

namespace quorin {

namespace {

// After a failure (NotifyHangup) the result of the post itself does not matter.
bool PostSimple(const PostNotification& post, std::uint32_t code, std::uint32_t value = 0) {
  return post(Notification{code, value, {}});
}

}  // namespace

TReadThread::TReadThread(std::shared_ptr<SerialDevice> port, PostNotification post)
    : port_(std::move(port)), post_(std::move(post)), buffer_(kChunkSize) {
  thread_ = std::jthread([this] { Body(); });
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
  IoResult result;
  while (!port_->StopRequested()) {
    result = port_->Read(buffer_);
    if (result.Status == IoStatus::Stopped || result.Status == IoStatus::Closed) break;
    const auto read = std::span(buffer_).first(result.Count);
    Notification data{NotifyData, static_cast<std::uint32_t>(read.size()),
                      std::vector<std::uint8_t>(read.begin(), read.end())};
    // Line events first: an error or a carrier change usually comes with the bytes read.
    if (result.Status == IoStatus::Gone || !PostLineEvents() ||
        (!read.empty() && !post_(std::move(data)))) {
      PostSimple(post_, NotifyHangup);
      break;
    }
    if (read.empty()) break;  // a total time-out passed with nothing read: end silently
  }
  if (result.Status != IoStatus::Closed) port_->Purge(true, false);
}

TWriteThread::TWriteThread(std::shared_ptr<SerialDevice> port, std::shared_ptr<WriterQueue> queue,
                           PostNotification post)
    : port_(std::move(port)), queue_(std::move(queue)), post_(std::move(post)) {
  thread_ = std::jthread([this] { Body(); });
}

// True when the whole block was written; false when the writer is to end (after posting
// NotifyHangup when the device failed).
bool TWriteThread::WriteBlock(const std::vector<std::uint8_t>& block) {
  for (std::size_t offset = 0; offset < block.size();) {
    // A write cut short goes on with the rest of the block.
    const IoResult result = port_->Write(std::span(block).subspan(offset));
    offset += result.Count;
    if (result.Status == IoStatus::Gone) PostSimple(post_, NotifyHangup);
    if (result.Status != IoStatus::Done) return false;
  }
  return true;
}

void TWriteThread::Body() {
  RaiseCurrentThreadPriority(1);
  for (bool drained = false;;) {
    if (auto block = queue_->TryTake()) {
      if (port_->StopRequested() || !WriteBlock(*block)) break;
      drained = false;
      continue;
    }
    // Drained: say so once after start and once after each run of writes.
    if (!drained && !PostSimple(post_, NotifySendEmpty)) {
      PostSimple(post_, NotifyHangup);
      break;
    }
    drained = true;
    if (!queue_->WaitForBlock()) break;  // closed: the owner stops us
  }
  // Blocks still queued are dropped, and SendData is refused from now on (as a post to an ended
  // thread is); what the driver still holds is dropped too.
  queue_->Close();
  port_->Purge(false, true);
}

}  // namespace quorin
