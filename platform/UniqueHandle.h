#pragma once
// UniqueHandle: owns one operating-system handle (a file descriptor on POSIX, a HANDLE on Windows)
// and closes it exactly once. Not thread-safe itself; the handle it holds may be used from any
// thread while the owner keeps it alive.
#include <cstdint>
#include <system_error>
#include <utility>

namespace quorin::platform {

// A handle as the system hands it out, widened so that one type holds either kind.
using NativeHandle = std::intptr_t;
// The value that stands for "no handle" (-1 on POSIX; INVALID_HANDLE_VALUE on Windows).
inline constexpr NativeHandle kNoHandle = -1;

class UniqueHandle {
 public:
  UniqueHandle() = default;
  // Takes ownership of `handle` (kNoHandle, or any negative value on POSIX, holds nothing).
  explicit UniqueHandle(NativeHandle handle) : handle_(handle < 0 ? kNoHandle : handle) {}
  ~UniqueHandle() { (void)Close(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      (void)Close();
      handle_ = other.Release();
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  NativeHandle Get() const { return handle_; }
  bool Valid() const { return handle_ != kNoHandle; }
  // Closes the handle held, if any, ignoring what the close reports.
  void Reset() { (void)Close(); }
  // Closes the handle held now. Returns the system's reason when the close itself failed (a
  // delayed write error on a full disk or a network file system); empty otherwise, also when
  // nothing was held. The handle is gone either way.
  std::error_code Close();
  // Gives the handle up without closing it; the caller owns it then.
  NativeHandle Release() { return std::exchange(handle_, kNoHandle); }

 private:
  NativeHandle handle_ = kNoHandle;
};

}  // namespace quorin::platform
