#include "platform/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace quorin::platform {

bool EnsureStandardDescriptorsOpen() {
  bool ok = true;
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lower ones are open by now, so the null device takes exactly this number.
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened < 0) {
      ok = false;
    } else if (opened != fd) {
      if (::dup2(opened, fd) < 0) ok = false;
      ::close(opened);
    }
  }
  return ok;
}

bool IsTerminal(std::FILE* stream) {
  if (stream == nullptr) return false;
  const int fd = ::fileno(stream);
  return fd >= 0 && ::isatty(fd) == 1;
}

bool ProcessIsRunning(std::uint64_t pid) {
  if (pid == 0 || pid > static_cast<std::uint64_t>(INT32_MAX)) return false;
  // Signal 0 checks only: EPERM means it exists but belongs to someone else.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace quorin::platform
