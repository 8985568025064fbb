#include "platform/PtyPair.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>
#include <utility>

#include "platform/posix/Fd.h"
#include "platform/posix/TermiosSpeeds.h"

namespace quorin::platform {
namespace {

constexpr std::array<std::pair<speed_t, std::uint32_t>, 18> kSpeeds = {{
    {B50, 50},
    {B110, 110},
    {B300, 300},
    {B600, 600},
    {B1200, 1200},
    {B2400, 2400},
    {B4800, 4800},
    {B9600, 9600},
    {B19200, 19200},
    {B38400, 38400},
    {B57600, 57600},
    {B115200, 115200},
    {B230400, 230400},
    {B460800, 460800},
    {B500000, 500000},
    {B576000, 576000},
    {B921600, 921600},
    {B1000000, 1000000},
}};

// The handles made so far close with the members when the constructor throws.
[[noreturn]] void Raise(const char* what, const std::string& path = {}) {
  const int error = errno;
  throw std::system_error(error, std::system_category(), path.empty() ? what : what + path);
}

}  // namespace

std::uint32_t BaudOfSpeed(speed_t speed) {
  for (const auto& [constant, baud] : kSpeeds) {
    if (constant == speed) return baud;
  }
  return 0;
}

speed_t SpeedOfBaud(std::uint32_t baud) {
  for (const auto& [constant, value] : kSpeeds) {
    if (value == baud) return constant;
  }
  return B0;
}

PtyPair::PtyPair() {
  master_ = UniqueHandle(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!master_.Valid()) Raise("posix_openpt");
  char name[128];
  if (::grantpt(Fd(master_)) != 0 || ::unlockpt(Fd(master_)) != 0 ||
      ::ptsname_r(Fd(master_), name, sizeof name) != 0) {
    Raise("pseudo-terminal set-up");
  }
  slavePath_ = name;
  slave_ = UniqueHandle(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
  termios line{};
  if (!slave_.Valid() || ::tcgetattr(Fd(slave_), &line) != 0) {
    Raise("open ", slavePath_);
  }
  ::cfmakeraw(&line);
  ::cfsetspeed(&line, B9600);
  line.c_cflag |= CLOCAL | CREAD;
  if (::tcsetattr(Fd(slave_), TCSANOW, &line) != 0) Raise("tcsetattr ", slavePath_);
  const int flags = ::fcntl(Fd(master_), F_GETFL);
  if (flags < 0 || ::fcntl(Fd(master_), F_SETFL, flags | O_NONBLOCK) != 0) Raise("fcntl master");
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) Raise("wake-up pipe");
  wakeRead_ = UniqueHandle(ends[0]);
  wakeWrite_ = UniqueHandle(ends[1]);
}

PtyPair::WaitResult PtyPair::WaitForMaster(std::optional<std::chrono::nanoseconds> timeout) {
  timespec wait{};
  if (timeout) {
    const auto ns = std::max<std::int64_t>(timeout->count(), 0);
    wait = timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
  }
  std::array<pollfd, 2> fds = {pollfd{Fd(wakeRead_), POLLIN, 0}, pollfd{Fd(master_), POLLIN, 0}};
  const nfds_t count = master_.Valid() ? 2 : 1;
  const int ready = ::ppoll(fds.data(), count, timeout ? &wait : nullptr, nullptr);
  if (ready < 0) return WaitResult::TimedOut;  // EINTR: the caller looks again
  if (fds[0].revents != 0) {
    std::array<std::uint8_t, 64> drain{};
    while (::read(Fd(wakeRead_), drain.data(), drain.size()) > 0) {
    }
    return WaitResult::Woken;
  }
  if (count == 2 && (fds[1].revents & POLLIN) != 0) return WaitResult::Readable;
  if (count == 2 && (fds[1].revents & (POLLHUP | POLLERR)) != 0) {
    // Not expected while our own slave handle is open; do not spin if it happens anyway.
    ::poll(nullptr, 0, 5);
  }
  return WaitResult::TimedOut;
}

void PtyPair::Wake() {
  const std::uint8_t wake = 1;
  while (::write(Fd(wakeWrite_), &wake, 1) < 0 && errno == EINTR) {
  }
}

std::size_t PtyPair::ReadMaster(std::span<std::uint8_t> buffer) {
  if (!master_.Valid()) return 0;
  for (;;) {
    const ssize_t n = ::read(Fd(master_), buffer.data(), buffer.size());
    if (n > 0) return static_cast<std::size_t>(n);
    if (n < 0 && errno == EINTR) continue;
    return 0;
  }
}

std::size_t PtyPair::WriteMaster(std::span<const std::uint8_t> bytes) {
  // How long a blocked answer may wait for room in the line buffer before it is dropped.
  constexpr int kRoomWaitMs = 20;
  constexpr int kRoomTries = 5;
  std::size_t done = 0;
  int tries = 0;
  while (master_.Valid() && done < bytes.size()) {
    const ssize_t n = ::write(Fd(master_), bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN && tries++ < kRoomTries) {
      pollfd room{Fd(master_), POLLOUT, 0};
      ::poll(&room, 1, kRoomWaitMs);
    } else {
      break;
    }
  }
  return done;
}

std::uint32_t PtyPair::LineBaud() const {
  termios line{};
  if (!master_.Valid() || ::tcgetattr(Fd(master_), &line) != 0) return 0;
  return BaudOfSpeed(::cfgetospeed(&line));
}

void PtyPair::Close() {
  slave_.Reset();
  master_.Reset();
}

}  // namespace quorin::platform
