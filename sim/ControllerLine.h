#pragma once
// ControllerLine: the controller's end of the line the simulated controller plays on. Two
// implementations: the master of a pseudo-terminal (POSIX, PtyControllerLine.cpp, with the
// SimController constructor that makes one) and the controller's end of an in-memory loopback line
// (every platform, LoopbackControllerLine.cpp, with the InProcessController that holds one).
//
// Threads: one thread at a time uses a line (the controller's own while it runs), except Wake,
// which any thread may call.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quorin::sim {

class ControllerLine {
 public:
  virtual ~ControllerLine() = default;

  // The device a tool opens to reach this line ("/dev/pts/N"); empty when it has no name.
  virtual std::string DevicePath() const { return {}; }
  // The speed the tool set last (0 when unknown). Never raises.
  virtual std::uint32_t LineBaud() const = 0;
  // Closes both ends, as if the cable were pulled. Harmless when closed.
  virtual void Close() = 0;

  enum class WaitResult { Readable, Woken, TimedOut };
  // Waits until there are bytes to read, Wake was called (consumed by this call), or `timeout`
  // passed (none: no limit). A closed line is never readable.
  virtual WaitResult Wait(std::optional<std::chrono::nanoseconds> timeout) = 0;
  // Any thread: ends the current or the next Wait with Woken.
  virtual void Wake() = 0;
  // What the tool sent that is there now, up to buffer.size() bytes; 0 when nothing (or closed).
  virtual std::size_t Read(std::span<std::uint8_t> buffer) = 0;
  // Writes `bytes` as far as the line takes them, waiting up to about 100 ms in all for room;
  // returns the count written (0 when closed).
  virtual std::size_t Write(std::span<const std::uint8_t> bytes) = 0;

 protected:
  ControllerLine() = default;
};

}  // namespace quorin::sim
