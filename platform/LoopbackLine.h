#pragma once
// LoopbackLine: a serial cable in memory, the portable sibling of PtyPair. Two ends: the job's
// (the port a tool opens, see comm/LoopbackDevice.h) and the controller's (the simulated
// controller, see sim/ControllerLine.h). Each direction is a bounded queue, as a driver's queue
// is; what one end sends waits there until the other end takes it or purges it, also while the
// job's end is unplugged between two opens. The job's end records the line speed it set, so the
// controller can tell which speed the bytes were sent at.
//
// Threads: every function may be called from any thread; one lock guards the whole line.
// Share the line with std::shared_ptr between the two ends.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>

namespace quorin::platform {

class LoopbackLine {
 public:
  enum class End { Job, Controller };
  enum class Direction { Readable, Writable };
  // What a wait ended on.
  enum class Wait { Ready, Interrupted, TimedOut, Cut };
  using Clock = std::chrono::steady_clock;

  // Both queues hold up to `queueSize` bytes (at least 1).
  explicit LoopbackLine(std::size_t queueSize = 4096);
  LoopbackLine(const LoopbackLine&) = delete;
  LoopbackLine& operator=(const LoopbackLine&) = delete;

  // Plugs `end` in. False when it is plugged in already or the line was cut.
  bool Attach(End end);
  // Unplugs `end`; bytes on the line stay. Harmless when unplugged.
  void Detach(End end);
  // Cuts the line for good (the cable is pulled): both ends are unplugged, no end can be plugged
  // in again, every wait ends. Bytes already on their way may still be taken.
  void Cut();
  bool IsCut() const;

  // Waits until `end` has bytes to take (Readable) or room to send (Writable): Ready. Earlier
  // ends: Interrupted when `interrupted()` holds (it runs under the line's lock, so it must not
  // call back into the line; whoever makes it true calls Notify afterwards), Cut when the line
  // was cut (a Readable wait still gets Ready while bytes are left), TimedOut at `deadline`
  // (none: no limit).
  Wait WaitFor(End end, Direction direction, std::optional<Clock::time_point> deadline,
               const std::function<bool()>& interrupted);
  // Waits only for `interrupted()` (Interrupted) or `deadline` (TimedOut), whatever the line does.
  Wait Idle(std::optional<Clock::time_point> deadline, const std::function<bool()>& interrupted);
  // Wakes every wait so it looks at its `interrupted()` again.
  void Notify();

  // Moves up to buffer.size() bytes that the other end sent into `buffer`; returns the count
  // (0 when none are there). Never waits.
  std::size_t Take(End end, std::span<std::uint8_t> buffer);
  // Queues as many of `bytes` for the other end as there is room for; returns the count (0 when
  // full or cut). Never waits.
  std::size_t Send(End end, std::span<const std::uint8_t> bytes);
  // Drops the bytes waiting for `end` (input) and/or those it sent that the other end has not
  // taken yet (output).
  void Purge(End end, bool input, bool output);

  // The speed the job's end set last (9600 until it sets one).
  void SetBaud(std::uint32_t baud);
  std::uint32_t Baud() const;

 private:
  std::deque<std::uint8_t>& Inbox(End end) { return end == End::Job ? toJob_ : toController_; }
  std::deque<std::uint8_t>& Outbox(End end) { return end == End::Job ? toController_ : toJob_; }

  const std::size_t queueSize_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::uint8_t> toJob_;         // guarded by mutex_
  std::deque<std::uint8_t> toController_;  // guarded by mutex_
  bool attached_[2] = {false, false};      // guarded by mutex_
  bool cut_ = false;                       // guarded by mutex_
  std::uint32_t baud_ = 9600;              // guarded by mutex_
};

}  // namespace quorin::platform
