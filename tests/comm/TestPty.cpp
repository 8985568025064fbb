#include "tests/comm/TestPty.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <thread>

namespace quorin::test {

namespace {

[[noreturn]] void Fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

bool WaitFor(int fd, short events, int timeoutMs) {
  pollfd p{fd, events, 0};
  for (;;) {
    const int r = ::poll(&p, 1, timeoutMs);
    if (r < 0 && errno == EINTR) continue;
    return r > 0;
  }
}

std::size_t CountEntries(const char* dir) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

}  // namespace

TestPty::TestPty() {
  master_ = platform::UniqueHandle(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!master_.Valid()) Fail("posix_openpt");
  if (::grantpt(Master()) != 0 || ::unlockpt(Master()) != 0) Fail("unlockpt");
  char name[128];
  if (::ptsname_r(Master(), name, sizeof name) != 0) Fail("ptsname_r");
  slavePath_ = name;
  if (::fcntl(Master(), F_SETFL, O_NONBLOCK) != 0) Fail("fcntl");
  observer_ = platform::UniqueHandle(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
  if (!observer_.Valid()) Fail("open slave");
}

void TestPty::WriteAll(std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto n = ::write(Master(), bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      WaitFor(Master(), POLLOUT, 1000);
    } else {
      Fail("write master");
    }
  }
}

std::vector<std::uint8_t> TestPty::Read(std::size_t count, std::chrono::milliseconds timeout) {
  std::vector<std::uint8_t> got;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::uint8_t buf[4096];
  while (got.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    if (!WaitFor(Master(), POLLIN, static_cast<int>(left.count()))) continue;
    const auto n = ::read(Master(), buf, std::min(sizeof buf, count - got.size()));
    if (n > 0) got.insert(got.end(), buf, buf + n);
    if (n <= 0 && errno != EAGAIN && errno != EINTR) break;
  }
  return got;
}

std::vector<std::uint8_t> TestPty::ReadUntilQuiet(std::chrono::milliseconds quiet) {
  std::vector<std::uint8_t> got;
  std::uint8_t buf[4096];
  while (WaitFor(Master(), POLLIN, static_cast<int>(quiet.count()))) {
    const auto n = ::read(Master(), buf, sizeof buf);
    if (n > 0) {
      got.insert(got.end(), buf, buf + n);
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      break;
    }
  }
  return got;
}

int TestPty::Pending() const {
  int n = 0;
  if (::ioctl(Master(), FIONREAD, &n) != 0) return -1;
  return n;
}

std::size_t OpenDescriptorCount() { return CountEntries("/proc/self/fd"); }
std::size_t ThreadCount() {
  // ThreadSanitizer starts a helper thread of its own at the process's first thread creation. Start
  // it before anything is counted, so a count taken before the first OpenPort stays a true baseline.
  static const bool runtimeThreadsStarted = [] {
    std::thread([] {}).join();
    return true;
  }();
  (void)runtimeThreadsStarted;
  return CountEntries("/proc/self/task");
}

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) {
    bytes[i] = static_cast<std::uint8_t>((i * 7 + seed + i / 251) % 256);
  }
  return bytes;
}

}  // namespace quorin::test
