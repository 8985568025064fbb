#pragma once
// Bounded reaping of a child process, so that a child that hangs fails its test in seconds instead
// of holding the suite until ctest's time-out.
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

namespace quorin::support {

// Waits up to `limit` for `child` to end and returns its wait status. A child still running then
// is killed (SIGKILL) and reaped, and the result is nullopt; so is a child that cannot be waited
// for.
inline std::optional<int> WaitChild(pid_t child, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) return status;
    if (done < 0 && errno != EINTR) return std::nullopt;
    if (std::chrono::steady_clock::now() > end) {
      ::kill(child, SIGKILL);
      while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace quorin::support
