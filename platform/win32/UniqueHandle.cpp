#include "platform/UniqueHandle.h"

#include <windows.h>

#include "platform/SystemError.h"

namespace quorin::platform {

std::error_code UniqueHandle::Close() {
  const NativeHandle handle = Release();
  if (handle == kNoHandle) return {};
  if (!::CloseHandle(reinterpret_cast<HANDLE>(handle))) return LastSystemError();
  return {};
}

}  // namespace quorin::platform
