// Thread priorities on Windows: two steps above normal is THREAD_PRIORITY_HIGHEST, one step
// THREAD_PRIORITY_ABOVE_NORMAL. Best effort: a refusal leaves the thread at normal priority.
#include <windows.h>

#include "comm/SerialDevice.h"

namespace quorin {

void RaiseCurrentThreadPriority(int steps) {
  if (steps <= 0) return;
  const int priority = steps >= 2 ? THREAD_PRIORITY_HIGHEST : THREAD_PRIORITY_ABOVE_NORMAL;
  [[maybe_unused]] const BOOL ignored = ::SetThreadPriority(::GetCurrentThread(), priority);
}

}  // namespace quorin
