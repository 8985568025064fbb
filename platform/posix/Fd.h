#pragma once
// POSIX code only: a UniqueHandle's value as the file descriptor it is.
#include "platform/UniqueHandle.h"

namespace quorin::platform {

// The descriptor `handle` holds, -1 when it holds none. Any thread.
inline int Fd(const UniqueHandle& handle) {
  return static_cast<int>(handle.Get());
}

}  // namespace quorin::platform
