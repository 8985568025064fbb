#include "platform/ThreadCpuTime.h"

#include <windows.h>

namespace quorin::platform {

std::chrono::nanoseconds CurrentThreadCpuTime() {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) {
    return std::chrono::nanoseconds(0);
  }
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  // FILETIME counts 100 ns units.
  return std::chrono::nanoseconds(static_cast<long long>((ticks(kernel) + ticks(user)) * 100));
}

}  // namespace quorin::platform
