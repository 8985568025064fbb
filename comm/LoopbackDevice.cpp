#include "comm/LoopbackDevice.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <utility>

#include "comm/IoDeadlines.h"

namespace quorin {
namespace {

using Line = platform::LoopbackLine;
using Clock = Line::Clock;

class LoopbackDevice final : public SerialDevice {
 public:
  explicit LoopbackDevice(std::shared_ptr<Line> line) : line_(std::move(line)) {}
  ~LoopbackDevice() override { line_->Detach(Line::End::Job); }

  std::error_code PrepareBuffers() override { return {}; }
  std::error_code ArmStopSignal() override { return {}; }  // the stop flag exists from the start
  void Purge(bool input, bool output) override { line_->Purge(Line::End::Job, input, output); }
  std::error_code ApplyLineState(const CommSettings& settings) override {
    ignoreNull_.store(settings.IgnoreNullChar, std::memory_order_relaxed);
    line_->SetBaud(settings.BaudRate);
    return {};
  }
  std::error_code ApplyTimeouts(const CommSettings& settings) override {
    timeouts_.Store(settings);
    return {};
  }
  IoResult Read(std::span<std::uint8_t> buffer) override;
  LineEvents TakeLineEvents() override { return {}; }
  IoResult Write(std::span<const std::uint8_t> data) override;
  void RequestStop() override {
    stop_.store(true, std::memory_order_release);
    line_->Notify();
  }
  bool StopRequested() const override { return stop_.load(std::memory_order_acquire); }

 private:
  WaitEnd WaitLine(Line::Direction direction, std::optional<Clock::time_point> deadline) {
    switch (line_->WaitFor(Line::End::Job, direction, deadline,
                           [this] { return stop_.load(std::memory_order_acquire); })) {
      case Line::Wait::Ready:
        return std::nullopt;
      case Line::Wait::Interrupted:
        return IoResult{IoStatus::Stopped, 0, {}};
      case Line::Wait::TimedOut:
        return IoResult{IoStatus::Done, 0, {}};
      case Line::Wait::Cut:
        break;
    }
    return IoResult{IoStatus::Gone, 0, std::make_error_code(std::errc::io_error)};  // cut
  }

  const std::shared_ptr<Line> line_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> ignoreNull_{false};
  IoTimeouts timeouts_;
};

IoResult LoopbackDevice::Read(std::span<std::uint8_t> buffer) {
  return TimedRead(
      timeouts_, ignoreNull_, buffer,
      [this](const auto& deadline) { return WaitLine(Line::Direction::Readable, deadline); },
      [this](std::span<std::uint8_t> rest) {
        return IoResult{IoStatus::Done, line_->Take(Line::End::Job, rest), {}};
      });
}

IoResult LoopbackDevice::Write(std::span<const std::uint8_t> data) {
  const auto deadline = timeouts_.ForWrite(data.size(), Clock::now());
  std::size_t written = 0;
  while (written < data.size()) {
    // The stop wins over room on the line, as it does in the system's backends.
    if (const WaitEnd end = WaitLine(Line::Direction::Writable, deadline)) {
      return {end->Status, written, end->Error};
    }
    written += line_->Send(Line::End::Job, data.subspan(written));
  }
  return {IoStatus::Done, written, {}};
}

}  // namespace

std::unique_ptr<SerialDevice> OpenLoopbackDevice(
    const std::shared_ptr<platform::LoopbackLine>& line, std::error_code& error) {
  error.clear();
  if (!line || !line->Attach(Line::End::Job)) {
    // No line, or the line was cut; otherwise another port holds the job's end.
    error = !line || line->IsCut() ? std::make_error_code(std::errc::no_such_file_or_directory)
                                   : std::make_error_code(std::errc::device_or_resource_busy);
    return nullptr;
  }
  return std::make_unique<LoopbackDevice>(line);
}

SerialDeviceOpener LoopbackOpener(std::shared_ptr<platform::LoopbackLine> line) {
  return [line = std::move(line)](const std::string&, std::error_code& error) {
    return OpenLoopbackDevice(line, error);
  };
}

}  // namespace quorin
