// Windows delivers Ctrl-C, Ctrl-Break and the closing of the console to a handler that the
// system runs on a thread of its own. The handler only queues the request; the hook's thread runs
// the callback, so the callback never runs on a thread the system may end under it. Closing the
// console (and logging off or shutting down) ends the process once the handler returns, so for
// those the handler waits, bounded, until the callback has run.
#include "platform/InterruptHook.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace quorin::platform {
namespace {

// The requests on their way from the system's handler thread to the hook's thread.
struct RequestQueue {
  std::function<void(InterruptKind)> onRequest;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<InterruptKind> pending;  // guarded by mutex
  unsigned long long queued = 0;      // guarded by mutex: requests queued so far
  unsigned long long done = 0;        // guarded by mutex: requests whose callback has returned
  bool stopping = false;              // guarded by mutex
  std::thread thread;

  void Watch() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      changed.wait(lock, [this] { return stopping || !pending.empty(); });
      if (stopping) return;
      const InterruptKind kind = pending.front();
      pending.pop_front();
      lock.unlock();
      onRequest(kind);
      lock.lock();
      ++done;
      changed.notify_all();
    }
  }
};

// The one hook of the process (the console handler has no context argument).
std::mutex gHookMutex;
RequestQueue* gHook = nullptr;  // guarded by gHookMutex

BOOL WINAPI OnConsoleEvent(DWORD event) {
  const std::lock_guard<std::mutex> hookLock(gHookMutex);
  RequestQueue* state = gHook;
  if (state == nullptr) return FALSE;  // the next handler (the default ends the process)
  const InterruptKind kind =
      event == CTRL_C_EVENT ? InterruptKind::Interrupt : InterruptKind::Terminate;
  std::unique_lock<std::mutex> lock(state->mutex);
  if (state->stopping) return FALSE;
  state->pending.push_back(kind);
  const unsigned long long mine = ++state->queued;
  state->changed.notify_all();
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    // The system allows a handler about five seconds here before it ends the process anyway.
    state->changed.wait_for(lock, std::chrono::seconds(4),
                            [&] { return state->done >= mine || state->stopping; });
  }
  return TRUE;
}

}  // namespace

struct InterruptHook::State : RequestQueue {};

InterruptHook::InterruptHook(std::function<void(InterruptKind)> onRequest)
    : state_(std::make_unique<State>()) {
  state_->onRequest = std::move(onRequest);
  state_->thread = std::thread([state = state_.get()] { state->Watch(); });
  {
    const std::lock_guard<std::mutex> lock(gHookMutex);
    gHook = state_.get();
  }
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptHook::~InterruptHook() {
  ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  {
    const std::lock_guard<std::mutex> lock(gHookMutex);
    gHook = nullptr;
  }
  {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopping = true;
    state_->pending.clear();
  }
  state_->changed.notify_all();
  state_->thread.join();
}

namespace {

// Runs after the hook's handler (handlers run last registered first), so only when no hook took
// the request.
BOOL WINAPI ExitOnCtrlC(DWORD event) {
  if (event != CTRL_C_EVENT) return FALSE;  // the system's default ending
  ::ExitProcess(130);
}

}  // namespace

void ExitWith130OnInterrupt() { ::SetConsoleCtrlHandler(ExitOnCtrlC, TRUE); }

void IgnoreBrokenPipe() {
  // Nothing to do: a write to a closed pipe fails with ERROR_NO_DATA on Windows and never ends
  // the process.
}

}  // namespace quorin::platform
