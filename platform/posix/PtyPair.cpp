#include "platform/PtyPair.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

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
