#pragma once
// Windows code only: a UniqueHandle's value as the HANDLE it is, and a HANDLE taken into one
// (null, which some calls return on failure, holds nothing).
#include <windows.h>

#include "platform/UniqueHandle.h"

namespace quorin::platform::win32 {

// The HANDLE `handle` holds, INVALID_HANDLE_VALUE when it holds none. Any thread.
inline HANDLE Native(const UniqueHandle& handle) {
  return reinterpret_cast<HANDLE>(handle.Get());
}

// Takes ownership of `handle`; null and INVALID_HANDLE_VALUE give an empty UniqueHandle.
inline UniqueHandle Own(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return UniqueHandle();
  return UniqueHandle(reinterpret_cast<NativeHandle>(handle));
}

}  // namespace quorin::platform::win32
