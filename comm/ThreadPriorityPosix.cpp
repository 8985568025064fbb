// Thread priorities on POSIX, best effort. Under the default time-sharing policy a thread's
// priority is its nice value; Linux keeps one per thread, so "n steps above normal" is the
// process's nice value minus n for this thread alone. Lowering a nice value needs CAP_SYS_NICE
// (or RLIMIT_NICE); without it the call fails and the thread runs at normal priority, which the
// serial threads tolerate: they sleep in poll and wake on every byte either way.
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "comm/SerialDevice.h"

namespace quorin {

void RaiseCurrentThreadPriority(int steps) {
#ifdef SYS_gettid
  const auto self = static_cast<id_t>(::syscall(SYS_gettid));
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, self);
  if (errno != 0) return;
  [[maybe_unused]] const int ignored = ::setpriority(PRIO_PROCESS, self, nice - steps);
#else
  (void)steps;
#endif
}

}  // namespace quorin
