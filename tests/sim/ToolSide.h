#pragma once
// The tool's end of the line for tests: the slave device opened with plain termios, raw, at a
// chosen speed. Reads wait with poll and a generous limit.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/posix/TermiosSpeeds.h"

namespace quorin::sim::test {

class ToolSide {
 public:
  ToolSide(const std::string& path, std::uint32_t baud)
      : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (fd_ < 0) throw std::runtime_error("cannot open " + path);
    SetBaud(baud);
  }
  ~ToolSide() { Close(); }
  ToolSide(const ToolSide&) = delete;
  ToolSide& operator=(const ToolSide&) = delete;

  void SetBaud(std::uint32_t baud) {
    termios line{};
    if (::tcgetattr(fd_, &line) != 0) throw std::runtime_error("tcgetattr");
    ::cfmakeraw(&line);
    ::cfsetspeed(&line, platform::SpeedOfBaud(baud));
    if (::tcsetattr(fd_, TCSANOW, &line) != 0) throw std::runtime_error("tcsetattr");
  }
  // One write call, as the tool's writer makes for one queued block.
  bool Write(const std::vector<std::uint8_t>& bytes) {
    return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  template <std::size_t N>
  bool Write(const std::array<std::uint8_t, N>& bytes) {
    return Write(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  }
  // Reads until `count` bytes came or `limit` passed.
  std::vector<std::uint8_t> Read(std::size_t count, std::chrono::milliseconds limit) {
    std::vector<std::uint8_t> got;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (got.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      if ((p.revents & POLLIN) == 0) break;
      std::uint8_t buffer[1024];
      const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - got.size()));
      if (n <= 0) break;
      got.insert(got.end(), buffer, buffer + n);
    }
    return got;
  }
  // Everything that arrives within `time`.
  std::vector<std::uint8_t> Collect(std::chrono::milliseconds time) {
    return Read(static_cast<std::size_t>(-1) / 2, time);
  }
  int Fd() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

}  // namespace quorin::sim::test
