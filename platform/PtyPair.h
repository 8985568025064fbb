#pragma once
// A pseudo-terminal standing in for a serial cable: the master end is the controller's side, the
// slave device (SlavePath) is the port the tool opens.
//
// One slave handle stays open for the pair's whole life, so the master never reads an error
// while the tool has closed the port between two opens, and the slave's line settings survive.
// The master sees the slave's line settings, so LineBaud() tells which speed the tool set last.
//
// Threads: not shared; one thread at a time uses it (the simulated controller hands it to its own
// thread while running). SlavePath never changes and may be read from any thread; Wake may be
// called from any thread.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/UniqueHandle.h"

namespace quorin::platform {

class PtyPair {
 public:
  // Creates the pair and puts the line in raw mode at 9600 baud. Raises std::system_error when
  // the system has no pseudo-terminal to give.
  PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  // The device the tool opens ("/dev/pts/N"). Stays the same after Close (the device is gone then).
  const std::string& SlavePath() const { return slavePath_; }
  // The master end (non-blocking), or kNoHandle after Close. Owned by the pair.
  NativeHandle MasterHandle() const { return master_.Get(); }
  // The speed in baud currently set on the slave (0 when unknown or closed). Never raises.
  std::uint32_t LineBaud() const;
  // Closes both ends, as if the cable were pulled. Harmless when closed.
  void Close();

  // What WaitForMaster saw first.
  enum class WaitResult { Readable, Woken, TimedOut };
  // Waits until the master has bytes to read, Wake was called (consumed by this call), or
  // `timeout` passed (no timeout: waits without limit). A hung-up or closed master is not
  // readable: the wait then lasts until a wake or the timeout.
  WaitResult WaitForMaster(std::optional<std::chrono::nanoseconds> timeout);
  // Any thread: ends the current or the next WaitForMaster with Woken.
  void Wake();
  // Reads what the master holds now, up to `buffer.size()` bytes; 0 when nothing (or closed).
  std::size_t ReadMaster(std::span<std::uint8_t> buffer);
  // Writes `bytes` into the master as far as the line takes them, waiting up to about 100 ms in
  // all for room; returns the count written (0 when closed).
  std::size_t WriteMaster(std::span<const std::uint8_t> bytes);

 private:
  UniqueHandle master_;
  UniqueHandle slave_;
  std::string slavePath_;
  UniqueHandle wakeRead_;   // a pipe: Wake writes a byte, WaitForMaster watches and drains it
  UniqueHandle wakeWrite_;
};

}  // namespace quorin::platform
