#include <atomic>
#include <functional>
#include <stdexcept>
#include <utility>

#include "platform/LoopbackLine.h"
#include "sim/ControllerLine.h"
#include "sim/InProcessController.h"

namespace quorin::sim {
namespace {

using Line = platform::LoopbackLine;

// Plugs in the controller's end of the line; the line is cut when this goes, so the tool's port
// then reports the device gone.
class LoopbackControllerLine final : public ControllerLine {
 public:
  explicit LoopbackControllerLine(std::shared_ptr<Line> line) : line_(std::move(line)) {
    if (!line_ || !line_->Attach(Line::End::Controller)) {
      throw std::runtime_error("the loopback line has a controller already, or was cut");
    }
  }
  ~LoopbackControllerLine() override { line_->Cut(); }

  std::uint32_t LineBaud() const override { return line_->IsCut() ? 0 : line_->Baud(); }
  void Close() override { line_->Cut(); }

  WaitResult Wait(std::optional<std::chrono::nanoseconds> timeout) override {
    std::optional<Line::Clock::time_point> deadline;
    if (timeout) deadline = Line::Clock::now() + *timeout;
    const auto woken = [this] { return woken_.exchange(false); };
    // A cut line is never readable (what the tool sent is lost with the cable): only a wake or
    // the time-out ends the wait.
    if (line_->IsCut()) return Idle(deadline, woken);
    switch (line_->WaitFor(Line::End::Controller, Line::Direction::Readable, deadline, woken)) {
      case Line::Wait::Ready:
        return WaitResult::Readable;
      case Line::Wait::Interrupted:
        return WaitResult::Woken;
      case Line::Wait::TimedOut:
        return WaitResult::TimedOut;
      case Line::Wait::Cut:
        break;
    }
    return Idle(deadline, woken);
  }
  void Wake() override {
    woken_.store(true);
    line_->Notify();
  }
  std::size_t Read(std::span<std::uint8_t> buffer) override {
    if (line_->IsCut()) return 0;
    return line_->Take(Line::End::Controller, buffer);
  }
  std::size_t Write(std::span<const std::uint8_t> bytes) override {
    const auto deadline = Line::Clock::now() + std::chrono::milliseconds(100);
    std::size_t written = 0;
    while (written < bytes.size()) {
      written += line_->Send(Line::End::Controller, bytes.subspan(written));
      if (written == bytes.size()) break;
      if (line_->WaitFor(Line::End::Controller, Line::Direction::Writable, deadline, {}) !=
          Line::Wait::Ready) {
        break;
      }
    }
    return written;
  }

 private:
  WaitResult Idle(std::optional<Line::Clock::time_point> deadline,
                  const std::function<bool()>& woken) {
    return line_->Idle(deadline, woken) == Line::Wait::Interrupted ? WaitResult::Woken
                                                                   : WaitResult::TimedOut;
  }

  const std::shared_ptr<Line> line_;
  std::atomic<bool> woken_{false};
};

}  // namespace

InProcessController::InProcessController(SimOptions options)
    : controller_(std::move(options), std::make_unique<LoopbackControllerLine>(line_)) {
  controller_.Start();
}

}  // namespace quorin::sim
