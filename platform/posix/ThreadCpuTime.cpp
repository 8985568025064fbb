#include "platform/ThreadCpuTime.h"

#include <time.h>

namespace quorin::platform {

std::chrono::nanoseconds CurrentThreadCpuTime() {
  timespec ts{};
  if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) != 0) return std::chrono::nanoseconds(0);
  return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

}  // namespace quorin::platform
