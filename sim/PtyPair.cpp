#include "sim/PtyPair.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>

namespace quorin::sim {
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

[[noreturn]] void Raise(const char* what) {
  throw std::system_error(errno, std::system_category(), what);
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
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) Raise("posix_openpt");
  char name[128];
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
      ::ptsname_r(master_, name, sizeof name) != 0) {
    const int error = errno;
    Close();
    throw std::system_error(error, std::system_category(), "pseudo-terminal set-up");
  }
  slavePath_ = name;
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios line{};
  if (slave_ < 0 || ::tcgetattr(slave_, &line) != 0) {
    const int error = errno;
    Close();
    throw std::system_error(error, std::system_category(), "open " + slavePath_);
  }
  ::cfmakeraw(&line);
  ::cfsetspeed(&line, B9600);
  line.c_cflag |= CLOCAL | CREAD;
  if (::tcsetattr(slave_, TCSANOW, &line) != 0) {
    const int error = errno;
    Close();
    throw std::system_error(error, std::system_category(), "tcsetattr " + slavePath_);
  }
  const int flags = ::fcntl(master_, F_GETFL);
  if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
    const int error = errno;
    Close();
    throw std::system_error(error, std::system_category(), "fcntl master");
  }
}

PtyPair::~PtyPair() {
  Close();
}

std::uint32_t PtyPair::LineBaud() const {
  termios line{};
  if (master_ < 0 || ::tcgetattr(master_, &line) != 0) return 0;
  return BaudOfSpeed(::cfgetospeed(&line));
}

void PtyPair::Close() {
  if (slave_ >= 0) ::close(std::exchange(slave_, -1));
  if (master_ >= 0) ::close(std::exchange(master_, -1));
}

}  // namespace quorin::sim
