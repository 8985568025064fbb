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

#include "platform/UniqueHandle.h"
#include "platform/posix/Fd.h"

namespace quorin::test {

struct TestPty::Ends {
  platform::UniqueHandle master;
  platform::UniqueHandle observer;
  std::string slavePath;
};

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

TestPty::TestPty() : ends_(std::make_unique<Ends>()) {
  auto& master = ends_->master;
  auto& observer = ends_->observer;
  master = platform::UniqueHandle(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!master.Valid()) Fail("posix_openpt");
  if (::grantpt(platform::Fd(master)) != 0 || ::unlockpt(platform::Fd(master)) != 0) Fail("unlockpt");
  char name[128];
  if (::ptsname_r(platform::Fd(master), name, sizeof name) != 0) Fail("ptsname_r");
  ends_->slavePath = name;
  if (::fcntl(platform::Fd(master), F_SETFL, O_NONBLOCK) != 0) Fail("fcntl");
  observer = platform::UniqueHandle(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
  if (!observer.Valid()) Fail("open slave");
}

TestPty::~TestPty() = default;

const std::string& TestPty::SlavePath() const { return ends_->slavePath; }
int TestPty::Master() const { return platform::Fd(ends_->master); }
int TestPty::Observer() const { return platform::Fd(ends_->observer); }
void TestPty::CloseMaster() { ends_->master.Reset(); }
void TestPty::CloseObserver() { ends_->observer.Reset(); }

void TestPty::WriteAll(std::span<const std::uint8_t> bytes) {
  const auto& master = ends_->master;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto n = ::write(platform::Fd(master), bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      WaitFor(platform::Fd(master), POLLOUT, 1000);
    } else {
      Fail("write master");
    }
  }
}

std::vector<std::uint8_t> TestPty::Read(std::size_t count, std::chrono::milliseconds timeout) {
  const auto& master = ends_->master;
  std::vector<std::uint8_t> got;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::uint8_t buf[4096];
  while (got.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    if (!WaitFor(platform::Fd(master), POLLIN, static_cast<int>(left.count()))) continue;
    const auto n = ::read(platform::Fd(master), buf, std::min(sizeof buf, count - got.size()));
    if (n > 0) got.insert(got.end(), buf, buf + n);
    if (n <= 0 && errno != EAGAIN && errno != EINTR) break;
  }
  return got;
}

std::vector<std::uint8_t> TestPty::ReadUntilQuiet(std::chrono::milliseconds quiet) {
  const auto& master = ends_->master;
  std::vector<std::uint8_t> got;
  std::uint8_t buf[4096];
  while (WaitFor(platform::Fd(master), POLLIN, static_cast<int>(quiet.count()))) {
    const auto n = ::read(platform::Fd(master), buf, sizeof buf);
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
  if (::ioctl(platform::Fd(ends_->master), FIONREAD, &n) != 0) return -1;
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

}  // namespace quorin::test
