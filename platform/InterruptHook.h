#pragma once
// InterruptHook: the user's or the system's request to stop (Ctrl-C; a termination request; the
// terminal hanging up, which counts as a termination request) delivered to a callback on a thread
// of the hook's own, instead of ending the process.
#include <functional>
#include <memory>

namespace quorin::platform {

enum class InterruptKind {
  Interrupt,  // Ctrl-C (SIGINT)
  Terminate,  // a request to end (SIGTERM, SIGHUP; Ctrl-Break and closing the console on Windows)
};

class InterruptHook {
 public:
  // Starts taking the requests; each one runs `onRequest` on the hook's thread, one at a time.
  // Create it on the main thread before any other thread starts: on POSIX the requests are
  // blocked for the creating thread, which the threads it starts later inherit, and a thread that
  // existed before could still be ended by one. At most one hook at a time per process.
  // Raises std::system_error when the thread cannot be started.
  explicit InterruptHook(std::function<void(InterruptKind)> onRequest);
  // Stops taking requests, drops those that came meanwhile and restores the creating thread's
  // previous handling. Returns once the callback has run for the last time. Call it on the thread
  // that created the hook.
  ~InterruptHook();
  InterruptHook(const InterruptHook&) = delete;
  InterruptHook& operator=(const InterruptHook&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// For a command-line program: a write to a closed pipe or socket fails with an error (EPIPE)
// instead of ending the process. Process-wide and permanent; call it at start-up. Never raises.
void IgnoreBrokenPipe();

// For a command-line program: Ctrl-C at a moment no InterruptHook takes it ends the process with
// exit code 130, as a POSIX shell reports a program that Ctrl-C ended (on POSIX that is what the
// default handling does already; Windows' own code would be 0xC000013A). Process-wide and
// permanent; call it at start-up. Never raises.
void ExitWith130OnInterrupt();

}  // namespace quorin::platform
