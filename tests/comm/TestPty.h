#pragma once
// A pseudo-terminal standing in for a serial line in the tests: the component opens the slave
// by its path, the test plays the far end on the master. The test also keeps one descriptor of
// the slave itself (the "observer"): it keeps the line up between opens and lets a test read the
// line state the component wrote. Raises std::system_error when the system refuses a call.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/UniqueHandle.h"
#include "platform/posix/Fd.h"

namespace quorin::test {

class TestPty {
 public:
  TestPty();

  const std::string& SlavePath() const { return slavePath_; }
  int Master() const { return platform::Fd(master_); }
  int Observer() const { return platform::Fd(observer_); }

  // Writes all of `bytes` into the master (waits while the line is full).
  void WriteAll(std::span<const std::uint8_t> bytes);
  // Reads from the master until `count` bytes came or `timeout` passed; returns what came.
  std::vector<std::uint8_t> Read(std::size_t count, std::chrono::milliseconds timeout);
  // Reads from the master whatever comes until nothing came for `quiet`.
  std::vector<std::uint8_t> ReadUntilQuiet(std::chrono::milliseconds quiet);
  // Bytes waiting in the master to be read.
  int Pending() const;
  // The far end goes away: the cable is pulled.
  void CloseMaster() { master_.Reset(); }
  // The observer goes too (so nothing else keeps the slave open).
  void CloseObserver() { observer_.Reset(); }

 private:
  platform::UniqueHandle master_;
  platform::UniqueHandle observer_;
  std::string slavePath_;
};

// Counts of this process's open descriptors and threads (/proc/self).
std::size_t OpenDescriptorCount();
std::size_t ThreadCount();

// n bytes of a fixed pattern holding every byte value, shifted every 251 bytes so that a lost
// or repeated stretch of a long stream shows.
std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed = 0);

}  // namespace quorin::test
