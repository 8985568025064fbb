#pragma once
#include <chrono>

namespace quorin::platform {

// CPU time the calling thread has used so far (0 where the system cannot tell). Never raises.
// Any thread.
std::chrono::nanoseconds CurrentThreadCpuTime();

}  // namespace quorin::platform
