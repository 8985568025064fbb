// The requests are blocked in the creating thread and taken with sigwait on the hook's thread, so
// no signal handler (and no state shared with one) is involved.
#include "platform/InterruptHook.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <thread>

namespace quorin::platform {

struct InterruptHook::State {
  std::function<void(InterruptKind)> onRequest;
  sigset_t signals{};
  sigset_t previous{};
  std::atomic<bool> stopping{false};
  std::thread thread;

  void Watch() {
    for (;;) {
      int signal = 0;
      if (::sigwait(&signals, &signal) != 0) continue;
      if (stopping.load()) return;
      onRequest(signal == SIGINT ? InterruptKind::Interrupt : InterruptKind::Terminate);
    }
  }
};

InterruptHook::InterruptHook(std::function<void(InterruptKind)> onRequest)
    : state_(std::make_unique<State>()) {
  state_->onRequest = std::move(onRequest);
  sigemptyset(&state_->signals);
  sigaddset(&state_->signals, SIGINT);
  sigaddset(&state_->signals, SIGTERM);
  sigaddset(&state_->signals, SIGHUP);
  ::pthread_sigmask(SIG_BLOCK, &state_->signals, &state_->previous);
  try {
    state_->thread = std::thread([state = state_.get()] { state->Watch(); });
  } catch (...) {
    ::pthread_sigmask(SIG_SETMASK, &state_->previous, nullptr);
    throw;
  }
}

InterruptHook::~InterruptHook() {
  state_->stopping.store(true);
  // Wakes sigwait on the hook's thread only; seen there as the stop.
  ::pthread_kill(state_->thread.native_handle(), SIGTERM);
  state_->thread.join();
  // Requests that arrived meanwhile stay pending until unblocked: take them first.
  timespec none{};
  while (::sigtimedwait(&state_->signals, nullptr, &none) > 0) {
  }
  ::pthread_sigmask(SIG_SETMASK, &state_->previous, nullptr);
}

void IgnoreBrokenPipe() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGPIPE, &ignore, nullptr);
}

void ExitWith130OnInterrupt() {}  // SIGINT's default ending is reported as 130 by the shell

}  // namespace quorin::platform
