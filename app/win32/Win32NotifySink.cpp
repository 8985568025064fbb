#include "app/win32/Win32NotifySink.h"

#include <utility>

#include "app/win32/Widgets.h"

namespace quorin::win32 {
namespace {

constexpr UINT kWakeMessage = WM_APP + 1;
constexpr const wchar_t* kClassName = L"QuorinNotifySink";

}  // namespace

Win32NotifySink::Win32NotifySink(std::function<void(std::exception_ptr)> reportError)
    : reportError_(std::move(reportError)) {
  // A second sink finds the class registered already; that is fine.
  RegisterWindowClass(GetModuleHandleW(nullptr), kClassName, &WindowProc);
  window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  if (!window_) RaiseLastError("cannot create the notification window");
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32NotifySink::~Win32NotifySink() {
  Shutdown();
  DestroyOwned(window_);
}

bool Win32NotifySink::Post(std::function<void()> task) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    if (shutDown_) return false;  // `task` is destroyed here, unrun
    tasks_.push_back(std::move(task));
    wake = !wakePosted_;
    wakePosted_ = true;
  }
  // One wake message stands for the whole queue, so a busy worker cannot fill the thread's
  // message queue. Should the post fail (the queue is full anyway), the next Post tries again.
  if (wake && !PostMessageW(window_, kWakeMessage, 0, 0)) {
    std::lock_guard lock(mutex_);
    wakePosted_ = false;
  }
  return true;
}

void Win32NotifySink::Shutdown() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(mutex_);
    shutDown_ = true;
    dropped.swap(tasks_);
  }
  // `dropped` frees what the tasks own, outside the lock.
}

void Win32NotifySink::RunQueued() {
  {
    std::lock_guard lock(mutex_);
    wakePosted_ = false;
  }
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(mutex_);
      if (shutDown_ || tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    try {
      if (task) task();
    } catch (...) {
      if (reportError_) reportError_(std::current_exception());
    }
  }
}

LRESULT CALLBACK Win32NotifySink::WindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == kWakeMessage) {
    auto* sink = reinterpret_cast<Win32NotifySink*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (sink) sink->RunQueued();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace quorin::win32
