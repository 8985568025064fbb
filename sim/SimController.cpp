#include "sim/SimController.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>
#include <utility>

#include "platform/posix/Fd.h"

namespace quorin::sim {
namespace {

using platform::Fd;
using platform::UniqueHandle;

// How long a blocked answer may wait for room in the line buffer before it is dropped.
constexpr int kWriteRoomWaitMs = 20;
constexpr int kWriteRoomTries = 5;

timespec Until(SimClock::time_point due, SimClock::time_point now) {
  const auto left = std::max(due - now, SimClock::duration::zero());
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
  return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

// Writes what the line takes; returns the count written.
std::size_t WriteToLine(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  int tries = 0;
  while (fd >= 0 && done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN && tries++ < kWriteRoomTries) {
      pollfd room{fd, POLLOUT, 0};
      ::poll(&room, 1, kWriteRoomWaitMs);
    } else {
      break;
    }
  }
  return done;
}

}  // namespace

SimController::SimController(SimOptions options)
    : options_(std::move(options)), slavePath_(pty_.SlavePath()), logic_(options_) {}

SimController::~SimController() {
  Stop();
}

void SimController::Start() {
  std::lock_guard<std::mutex> lock(lifecycle_);
  if (thread_.joinable()) return;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::system_error(errno, std::system_category(), "pipe for the simulated controller");
  }
  wakeRead_ = UniqueHandle(ends[0]);
  wakeWrite_ = UniqueHandle(ends[1]);
  thread_ = std::thread([this] { Run(); });
}

void SimController::Stop() {
  std::lock_guard<std::mutex> lock(lifecycle_);
  if (!thread_.joinable()) return;
  const std::uint8_t wake = 1;
  while (::write(Fd(wakeWrite_), &wake, 1) < 0 && errno == EINTR) {
  }
  thread_.join();
}

SimReport SimController::Report() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return logic_.Report();
}

void SimController::ClearReport() {
  std::lock_guard<std::mutex> lock(mutex_);
  logic_.ClearReport();
}

std::vector<LoaderSession> SimController::TakeEndedSessions() {
  std::lock_guard<std::mutex> lock(mutex_);
  return logic_.TakeEndedSessions();
}

bool SimController::WaitFor(const std::function<bool(const SimReport&)>& done,
                            std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return done(logic_.Report()); });
}

bool SimController::WaitForVerdicts(std::size_t count, std::chrono::milliseconds timeout) const {
  return WaitFor([count](const SimReport& report) { return report.verdictsSent >= count; },
                 timeout);
}

void SimController::Run() {
  std::array<std::uint8_t, 4096> buffer{};
  for (;;) {
    timespec wait{};
    bool timed = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (const auto next = logic_.NextDue()) {
        wait = Until(*next, SimClock::now());
        timed = true;
      }
    }
    const int master = static_cast<int>(pty_.MasterHandle());
    std::array<pollfd, 2> fds = {pollfd{Fd(wakeRead_), POLLIN, 0}, pollfd{master, POLLIN, 0}};
    const nfds_t count = master >= 0 ? 2 : 1;
    if (::ppoll(fds.data(), count, timed ? &wait : nullptr, nullptr) < 0 && errno != EINTR) {
      break;
    }
    if (fds[0].revents != 0) break;  // only Stop writes to the pipe

    if (count == 2 && (fds[1].revents & POLLIN) != 0) {
      for (;;) {
        const ssize_t n = ::read(master, buffer.data(), buffer.size());
        if (n <= 0) break;
        // The speed is read right after the bytes: the tool pauses for hundreds of milliseconds
        // between setting a speed and changing it again, so this is the speed they were sent at.
        const std::uint32_t baud = pty_.LineBaud();
        const SimClock::time_point now = SimClock::now();
        std::lock_guard<std::mutex> lock(mutex_);
        logic_.OnReceived(now, baud, buffer.data(), static_cast<std::size_t>(n));
      }
    } else if (count == 2 && (fds[1].revents & (POLLHUP | POLLERR)) != 0) {
      // Not expected while our own slave descriptor is open; do not spin if it happens anyway.
      ::poll(nullptr, 0, 5);
    }

    std::vector<SimAction> due;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      const SimClock::time_point now = SimClock::now();
      logic_.Tick(now);
      due = logic_.TakeDue(now);
      CarryOut(std::move(due));
    }
    changed_.notify_all();
  }
}

// Runs under mutex_, on the controller's thread.
void SimController::CarryOut(std::vector<SimAction> actions) {
  for (const SimAction& action : actions) {
    std::size_t written = 0;
    if (action.kind == SimAction::Kind::PullCable) {
      pty_.Close();
    } else {
      written = WriteToLine(static_cast<int>(pty_.MasterHandle()), action.bytes);
    }
    logic_.OnCarriedOut(action, SimClock::now(), written);
  }
}

}  // namespace quorin::sim
