#include "platform/OutputFile.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/FileIdentity.h"
#include "platform/posix/Fd.h"

namespace quorin::platform {
UniqueHandle OpenTraceTarget(const std::string& path, bool replace,
                             const std::vector<KeptFile>& kept) {
  using Error = TraceOpenError;
  constexpr int kFlags = O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  UniqueHandle fd(::open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0644));
  if (fd.Valid()) return fd;  // a new file: nothing of anyone's is at stake
  if (errno != EEXIST) throw Error::Unwritable(path, std::strerror(errno));

  fd = UniqueHandle(::open(path.c_str(), kFlags));
  if (!fd.Valid()) {
    if (errno == ENXIO) {
      throw Error::Unwritable(path, "it is a FIFO that no process reads; start its reader first");
    }
    throw Error::Unwritable(path, std::strerror(errno));
  }
  const auto target = IdentityOfHandle(fd.Get());
  if (!target) throw Error::Unwritable(path, std::strerror(errno));
  for (const KeptFile& file : kept) {
    const auto keptId = IdentityOf(file.Path);
    if (keptId && keptId->SameFileAs(*target)) {
      throw Error::Refused(path, "this is " + file.What + " itself; choose another trace file");
    }
  }
  if (target->Kind == FileKind::Regular) {
    if (!replace) {
      throw Error::Refused(path,
                           "the file exists; pass --force-trace to replace it, or choose another");
    }
    if (::ftruncate(Fd(fd), 0) != 0) throw Error::Unwritable(path, std::strerror(errno));
  }
  return fd;
}

long WriteWithin(NativeHandle handle, const char* bytes, std::size_t length,
                 std::chrono::milliseconds wait, std::error_code& error) {
  const int fd = static_cast<int>(handle);
  for (;;) {
    const ssize_t wrote = ::write(fd, bytes, length);
    if (wrote >= 0) return static_cast<long>(wrote);
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      error = std::error_code(errno, std::generic_category());
      return -1;
    }
    pollfd room{fd, POLLOUT, 0};
    const int ready = ::poll(&room, 1, static_cast<int>(wait.count()));
    if (ready == 0) return 0;
    if (ready < 0 && errno != EINTR) {
      error = std::error_code(errno, std::generic_category());
      return -1;
    }
    wait = std::chrono::milliseconds(0);  // one more try, then the caller decides
  }
}

void BlockSignalsForThisThread() {
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
}

}  // namespace quorin::platform
