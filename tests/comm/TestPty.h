#pragma once
// A pseudo-terminal standing in for a serial line in the tests: the component opens the slave
// by its path, the test plays the far end on the master. The test also keeps one descriptor of
// the slave itself (the "observer"): it keeps the line up between opens and lets a test read the
// line state the component wrote. Raises std::system_error when the system refuses a call.
//
// One source per platform (CMake picks it). POSIX (TestPty.cpp): a pseudo-terminal of its own.
// Windows (TestPtyWin32.cpp): two COM ports that are the ends of a pseudo-terminal pair held open
// and joined by a Linux process outside the test (scripts/com-pairs); SlavePath() is the COM
// port for the component, the far end is the other COM port, opened by the test.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace quorin::test {

class TestPty {
 public:
  TestPty();
  ~TestPty();
  TestPty(const TestPty&) = delete;
  TestPty& operator=(const TestPty&) = delete;

  // The name the component opens.
  const std::string& SlavePath() const;
  // POSIX only: the master and the observer descriptors.
  int Master() const;
  int Observer() const;

  // Writes all of `bytes` into the master (waits while the line is full).
  void WriteAll(std::span<const std::uint8_t> bytes);
  // Reads from the master until `count` bytes came or `timeout` passed; returns what came.
  std::vector<std::uint8_t> Read(std::size_t count, std::chrono::milliseconds timeout);
  // Reads from the master whatever comes until nothing came for `quiet`.
  std::vector<std::uint8_t> ReadUntilQuiet(std::chrono::milliseconds quiet);
  // Bytes waiting in the master to be read.
  int Pending() const;
  // POSIX only. The far end goes away: the cable is pulled.
  void CloseMaster();
  // POSIX only. The observer goes too (so nothing else keeps the slave open).
  void CloseObserver();

 private:
  struct Ends;
  std::unique_ptr<Ends> ends_;
};

// Counts of this process's open descriptors (Windows: handles) and threads.
std::size_t OpenDescriptorCount();
std::size_t ThreadCount();

// n bytes of a fixed pattern holding every byte value, shifted every 251 bytes so that a lost
// or repeated stretch of a long stream shows.
inline std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed = 0) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) {
    bytes[i] = static_cast<std::uint8_t>((i * 7 + seed + i / 251) % 256);
  }
  return bytes;
}

}  // namespace quorin::test
