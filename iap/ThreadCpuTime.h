#pragma once
#include <chrono>

namespace quorin {

// CPU time the calling thread has used so far (0 where the system cannot tell). Any thread.
std::chrono::nanoseconds CurrentThreadCpuTime();

}  // namespace quorin
