#pragma once
// UniqueHandle: owns one Win32 kernel HANDLE and closes it exactly once. Windows only (the serial
// backend and the Windows tests). Not thread-safe itself; the handle it holds may be used from
// any thread while the owner keeps it alive.
#include <windows.h>

#include <utility>

namespace quorin {

class UniqueHandle {
 public:
  UniqueHandle() = default;
  // Takes `handle`; null and INVALID_HANDLE_VALUE both mean "none".
  explicit UniqueHandle(HANDLE handle)
      : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr; }
  // Closes the handle held, if any.
  void Reset() {
    if (handle_ != nullptr) ::CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace quorin
