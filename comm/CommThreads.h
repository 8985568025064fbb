#pragma once
// TReadThread and TWriteThread: the two threads that do all of an open port's I/O. Neither ever
// touches the TComm object: each gets the device, its own way to post notifications, and (the
// writer) its queue, before it starts. Each ends on its own:
//   - on the stop signal (SerialDevice::RequestStop, and for the writer WriterQueue::Close):
//     silently, after purging its direction of the port;
//   - when the descriptor was closed under it: silently;
//   - on a failure (device gone, a post refused): after posting NotifyHangup;
//   - the reader also when a read completes with 0 bytes (a total time-out): silently.
// An ended thread is not restarted; the other one goes on. Destroying one waits for its end, so
// the owner stops the device (and closes the writer's queue) first.
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "comm/CommNotify.h"
#include "comm/SerialDevice.h"
#include "comm/WriterQueue.h"

namespace quorin {

// Posts one notification to the UI thread; false when the sink refused it (the notification,
// and the bytes it owns, are then dropped). Called only from the thread it was given to.
using PostNotification = std::function<bool(Notification&&)>;

class TReadThread {
 public:
  static constexpr std::size_t kChunkSize = 4096;  // the most bytes one NotifyData carries

  // Starts the reader at once (priority two steps above normal, best effort). Raises
  // std::system_error when no thread can be created.
  TReadThread(std::shared_ptr<SerialDevice> port, PostNotification post);
  TReadThread(const TReadThread&) = delete;
  TReadThread& operator=(const TReadThread&) = delete;

 private:
  void Body();
  bool PostLineEvents();

  std::shared_ptr<SerialDevice> port_;
  PostNotification post_;
  std::vector<std::uint8_t> buffer_;  // reused by every read
  std::jthread thread_;
};

class TWriteThread {
 public:
  // Starts the writer at once (priority one step above normal, best effort). Raises
  // std::system_error when no thread can be created.
  TWriteThread(std::shared_ptr<SerialDevice> port, std::shared_ptr<WriterQueue> queue,
               PostNotification post);
  TWriteThread(const TWriteThread&) = delete;
  TWriteThread& operator=(const TWriteThread&) = delete;

 private:
  void Body();
  bool WriteBlock(const std::vector<std::uint8_t>& block);

  std::shared_ptr<SerialDevice> port_;
  std::shared_ptr<WriterQueue> queue_;
  PostNotification post_;
  std::jthread thread_;
};

}  // namespace quorin
