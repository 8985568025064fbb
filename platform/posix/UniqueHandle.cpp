#include "platform/UniqueHandle.h"

#include <unistd.h>

#include "platform/SystemError.h"

namespace quorin::platform {

std::error_code UniqueHandle::Close() {
  const NativeHandle handle = Release();
  if (handle == kNoHandle) return {};
  // The descriptor is released even when close reports EINTR, so it is never retried.
  if (::close(static_cast<int>(handle)) != 0) return LastSystemError();
  return {};
}

}  // namespace quorin::platform
