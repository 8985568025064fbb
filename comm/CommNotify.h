#pragma once
// The NotifySink seam: "run this on the UI thread, in the order this thread posted it".
#include <cstdint>
#include <functional>
#include <vector>

namespace quorin {

// Notification codes posted by the reader and writer threads to the component.
enum NotifyCode : std::uint32_t {
  NotifyData = 0x401,          // Data: the received bytes (1..4096)
  NotifyReceiveError = 0x402,  // Value: line-error flags
  NotifyHangup = 0x403,        // a failure inside the reader or the writer
  NotifyModemState = 0x404,    // Value: 4 ring, 8 carrier-detect change (combined)
  NotifySendEmpty = 0x405,     // the writer's queue has drained
};

// One notification. The receiver owns Data.
struct Notification {
  std::uint32_t Code = 0;
  std::uint32_t Value = 0;
  std::vector<std::uint8_t> Data;
};

// Runs tasks on the thread that plays the UI thread. Implementations: the headless EventLoop
// (comm/EventLoop.h) and the Qt sink of the window.
class NotifySink {
 public:
  virtual ~NotifySink() = default;
  // Any thread. Queues `task` to run exactly once on the UI thread; tasks posted by one thread run
  // in the order they were posted. Returns false when the sink no longer takes tasks (it is shut
  // down); the task is then destroyed without running, freeing whatever it owns.
  virtual bool Post(std::function<void()> task) = 0;
};

}  // namespace quorin
