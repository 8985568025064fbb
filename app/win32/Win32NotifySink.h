#pragma once
// The Windows window's NotifySink: a hidden message-only window on the UI thread. Post queues the
// task in a mutex-guarded deque and posts one wake message; the window procedure runs the queued
// tasks one by one, in the order they were posted (one queue for every posting thread).
#include <windows.h>

#include <deque>
#include <exception>
#include <functional>
#include <mutex>

#include "comm/CommNotify.h"

namespace quorin::win32 {

class Win32NotifySink final : public NotifySink {
 public:
  // Creates the message-only window on the calling thread, which becomes the UI thread: tasks run
  // only while that thread dispatches messages. A task that throws is handed to `reportError` (on
  // the UI thread; nothing may leave a window procedure) and the tasks behind it still run.
  // Raises std::system_error when the window cannot be created.
  explicit Win32NotifySink(std::function<void(std::exception_ptr)> reportError = {});
  // Shuts down and destroys the window. UI thread.
  ~Win32NotifySink() override;
  Win32NotifySink(const Win32NotifySink&) = delete;
  Win32NotifySink& operator=(const Win32NotifySink&) = delete;

  // Any thread. False (the task destroyed unrun, on the calling thread) after Shutdown.
  bool Post(std::function<void()> task) override;
  // Any thread. From now on Post refuses; the tasks still queued are destroyed unrun. Harmless
  // when called again.
  void Shutdown();

  // For tests: the hidden window the wake messages go to.
  HWND Window() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // UI thread: runs the queued tasks, each outside the lock.
  void RunQueued();

  std::function<void(std::exception_ptr)> reportError_;
  HWND window_ = nullptr;
  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
  bool wakePosted_ = false;
  bool shutDown_ = false;
};

}  // namespace quorin::win32
