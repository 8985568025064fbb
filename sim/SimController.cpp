#include "sim/SimController.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace quorin::sim {

SimController::SimController(SimOptions options, std::unique_ptr<ControllerLine> line)
    : options_(std::move(options)),
      line_(std::move(line)),
      slavePath_(line_->DevicePath()),
      logic_(options_) {}

SimController::~SimController() {
  Stop();
}

void SimController::Start() {
  std::lock_guard<std::mutex> lock(lifecycle_);
  if (thread_.joinable()) return;
  stopping_.store(false);
  thread_ = std::thread([this] { Run(); });
}

void SimController::Stop() {
  std::lock_guard<std::mutex> lock(lifecycle_);
  if (!thread_.joinable()) return;
  stopping_.store(true);
  line_->Wake();
  thread_.join();
}

SimReport SimController::Report() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return logic_.Report();
}

void SimController::ClearReport() {
  std::lock_guard<std::mutex> lock(mutex_);
  logic_.ClearReport();
}

std::vector<LoaderSession> SimController::TakeEndedSessions() {
  std::lock_guard<std::mutex> lock(mutex_);
  return logic_.TakeEndedSessions();
}

bool SimController::WaitFor(const std::function<bool(const SimReport&)>& done,
                            std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return done(logic_.Report()); });
}

bool SimController::WaitForVerdicts(std::size_t count, std::chrono::milliseconds timeout) const {
  return WaitFor([count](const SimReport& report) { return report.VerdictsSent >= count; },
                 timeout);
}

void SimController::Run() {
  std::array<std::uint8_t, 4096> buffer{};
  while (!stopping_.load()) {
    std::optional<std::chrono::nanoseconds> wait;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (const auto next = logic_.NextDue()) {
        wait = std::max(*next - SimClock::now(), SimClock::duration::zero());
      }
    }
    const auto seen = line_->Wait(wait);
    if (seen == ControllerLine::WaitResult::Woken) continue;  // Stop, looked at above
    if (seen == ControllerLine::WaitResult::Readable) {
      while (const std::size_t n = line_->Read(buffer)) {
        // The speed is read right after the bytes: the tool pauses for hundreds of milliseconds
        // between setting a speed and changing it again, so this is the speed they were sent at.
        const std::uint32_t baud = line_->LineBaud();
        const SimClock::time_point now = SimClock::now();
        std::lock_guard<std::mutex> lock(mutex_);
        logic_.OnReceived(now, baud, buffer.data(), n);
      }
    }

    {
      std::lock_guard<std::mutex> lock(mutex_);
      const SimClock::time_point now = SimClock::now();
      logic_.Tick(now);
      CarryOut(logic_.TakeDue(now));
    }
    changed_.notify_all();
  }
}

// Runs under mutex_, on the controller's thread.
void SimController::CarryOut(std::vector<SimAction> actions) {
  for (const SimAction& action : actions) {
    std::size_t written = 0;
    if (action.Type == SimAction::Kind::PullCable) {
      line_->Close();
    } else {
      written = line_->Write(action.Bytes);
    }
    logic_.OnCarriedOut(action, SimClock::now(), written);
  }
}

}  // namespace quorin::sim
