#include "comm/LoopbackDevice.h"

#include <algorithm>
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

std::error_code LineCut() {
  return std::make_error_code(std::errc::io_error);
}

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
  std::error_code ApplyTimeouts(const CommSettings& s) override {
    readInterval_.store(s.ReadIntervalTimeout, std::memory_order_relaxed);
    readMultiplier_.store(s.ReadTotalTimeoutMultiplier, std::memory_order_relaxed);
    readConstant_.store(s.ReadTotalTimeoutConstant, std::memory_order_relaxed);
    writeMultiplier_.store(s.WriteTotalTimeoutMultiplier, std::memory_order_relaxed);
    writeConstant_.store(s.WriteTotalTimeoutConstant, std::memory_order_relaxed);
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
  Line::Wait WaitLine(Line::Direction direction, std::optional<Clock::time_point> deadline) {
    return line_->WaitFor(Line::End::Job, direction, deadline,
                          [this] { return stop_.load(std::memory_order_acquire); });
  }

  const std::shared_ptr<Line> line_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> ignoreNull_{false};
  std::atomic<std::uint32_t> readInterval_{0};
  std::atomic<std::uint32_t> readMultiplier_{0};
  std::atomic<std::uint32_t> readConstant_{0};
  std::atomic<std::uint32_t> writeMultiplier_{0};
  std::atomic<std::uint32_t> writeConstant_{0};
};

IoResult LoopbackDevice::Read(std::span<std::uint8_t> buffer) {
  const std::uint32_t interval = readInterval_.load(std::memory_order_relaxed);
  const std::uint32_t multiplier = readMultiplier_.load(std::memory_order_relaxed);
  const std::uint32_t constant = readConstant_.load(std::memory_order_relaxed);
  const ReadDeadlines deadlines(interval, multiplier, constant, buffer.size(), Clock::now());

  std::size_t got = 0;
  for (;;) {
    const auto deadline = deadlines.Next(got, Clock::now());
    switch (WaitLine(Line::Direction::Readable, deadline)) {
      case Line::Wait::Ready:
        break;
      case Line::Wait::Interrupted:
        return {IoStatus::Stopped, 0, {}};
      case Line::Wait::TimedOut:
        return {IoStatus::Done, got, {}};
      case Line::Wait::Cut:
        if (got > 0) return {IoStatus::Done, got, {}};
        return {IoStatus::Gone, 0, LineCut()};
    }
    const auto first = buffer.begin() + static_cast<std::ptrdiff_t>(got);
    std::size_t n = line_->Take(Line::End::Job, buffer.subspan(got));
    if (ignoreNull_.load(std::memory_order_relaxed)) {
      n = static_cast<std::size_t>(
          std::remove(first, first + static_cast<std::ptrdiff_t>(n), std::uint8_t{0}) - first);
    }
    got += n;
    if (got == buffer.size() || (deadlines.ReturnOnFirstBytes() && got > 0))
      return {IoStatus::Done, got, {}};
  }
}

IoResult LoopbackDevice::Write(std::span<const std::uint8_t> data) {
  const std::uint32_t multiplier = writeMultiplier_.load(std::memory_order_relaxed);
  const std::uint32_t constant = writeConstant_.load(std::memory_order_relaxed);
  const auto deadline = WriteDeadline(multiplier, constant, data.size(), Clock::now());
  std::size_t written = 0;
  while (written < data.size()) {
    // The stop wins over room on the line, as it does in the system's backends.
    switch (WaitLine(Line::Direction::Writable, deadline)) {
      case Line::Wait::Ready:
        break;
      case Line::Wait::Interrupted:
        return {IoStatus::Stopped, written, {}};
      case Line::Wait::TimedOut:
        return {IoStatus::Done, written, {}};
      case Line::Wait::Cut:
        return {IoStatus::Gone, written, LineCut()};
    }
    written += line_->Send(Line::End::Job, data.subspan(written));
  }
  return {IoStatus::Done, written, {}};
}

}  // namespace

std::unique_ptr<SerialDevice> OpenLoopbackDevice(
    const std::shared_ptr<platform::LoopbackLine>& line, std::error_code& error) {
  error.clear();
  if (!line || line->IsCut()) {
    error = std::make_error_code(std::errc::no_such_file_or_directory);
    return nullptr;
  }
  if (!line->Attach(Line::End::Job)) {
    // Cut in between, or another port holds the job's end.
    error = line->IsCut() ? std::make_error_code(std::errc::no_such_file_or_directory)
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
