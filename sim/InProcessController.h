#pragma once
// The simulated controller inside this process, on an in-memory loopback line: the controller
// holds the line's controller end; a job opens the other end (iap/JobTarget.h,
// JobTarget::Simulated(Line())). Used by `flash --simulate`, the window's --simulate and the
// end-to-end tests. Any thread; the controller runs on a thread of its own.
#include <memory>

#include "platform/LoopbackLine.h"
#include "sim/SimController.h"

namespace quorin::sim {

class InProcessController {
 public:
  // Starts a controller with `options` on a new line. Raises std::system_error when its thread
  // cannot be started.
  explicit InProcessController(SimOptions options);
  // Stops the controller and cuts the line: every later open of the job's end fails with ENOENT.
  ~InProcessController() = default;
  InProcessController(const InProcessController&) = delete;
  InProcessController& operator=(const InProcessController&) = delete;

  // The line; the job's end is free for a port to open.
  const std::shared_ptr<platform::LoopbackLine>& Line() const { return line_; }
  SimController& Controller() { return controller_; }
  const SimController& Controller() const { return controller_; }

 private:
  const std::shared_ptr<platform::LoopbackLine> line_ = std::make_shared<platform::LoopbackLine>();
  SimController controller_;  // after line_
};

}  // namespace quorin::sim
