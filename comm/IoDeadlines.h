#pragma once
// When a read or a write ends, from the five time-outs, as a COM port driver times them. Shared
// by the devices that time their I/O themselves (the POSIX backend and the loopback line); on
// Windows the driver does it. What a read keeps of the bytes that came is shared by all three.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>

#include "comm/CommSettings.h"
#include "comm/SerialDevice.h"

namespace quorin {

// The end of a read or a write of `size` bytes starting at `start` under a total time-out
// (multiplier * size + constant milliseconds); none when both are 0 (no limit). Pure.
inline std::optional<std::chrono::steady_clock::time_point> TotalDeadline(
    std::uint32_t multiplier, std::uint32_t constant, std::size_t size,
    std::chrono::steady_clock::time_point start) {
  if (multiplier == 0 && constant == 0) return std::nullopt;
  return start + std::chrono::milliseconds(std::uint64_t{multiplier} * size + constant);
}

class ReadDeadlines {
 public:
  using Clock = std::chrono::steady_clock;

  // A read of `size` bytes starting at `start`, with the time-outs in milliseconds.
  // The interval time-out "MAXDWORD" has two special cases: with both totals 0 the read returns
  // at once with what is there; with the multiplier "MAXDWORD" and a constant between 0 and
  // "MAXDWORD" it returns as soon as any byte is there, or after the constant. Otherwise a
  // non-zero total bounds the whole read (multiplier * size + constant), and a non-zero interval
  // bounds each gap between bytes once the first has come. Pure.
  ReadDeadlines(std::uint32_t interval, std::uint32_t multiplier, std::uint32_t constant,
                std::size_t size, Clock::time_point start) {
    constexpr std::uint32_t kMaxDword = std::numeric_limits<std::uint32_t>::max();
    if (interval == kMaxDword && multiplier == 0 && constant == 0) {
      returnOnFirstBytes_ = true;
      total_ = start;
    } else if (interval == kMaxDword && multiplier == kMaxDword && constant != 0 &&
               constant != kMaxDword) {
      returnOnFirstBytes_ = true;
      total_ = start + std::chrono::milliseconds(constant);
    } else {
      total_ = TotalDeadline(multiplier, constant, size, start);
    }
    if (interval != 0 && !returnOnFirstBytes_) interval_ = std::chrono::milliseconds(interval);
  }

  // Whether the read ends as soon as it has any byte.
  bool ReturnOnFirstBytes() const { return returnOnFirstBytes_; }

  // The deadline of the next wait once `got` bytes have come (the gap counted from `now`);
  // none when the read waits without limit.
  std::optional<Clock::time_point> Next(std::size_t got, Clock::time_point now) const {
    if (got == 0 || !interval_) return total_;
    const auto gap = now + *interval_;
    return total_ ? std::min(*total_, gap) : gap;
  }

 private:
  bool returnOnFirstBytes_ = false;
  std::optional<Clock::time_point> total_;
  std::optional<std::chrono::milliseconds> interval_;
};

// The five time-outs as the owner sets them (SerialDevice::ApplyTimeouts) and the reader and the
// writer take them at the start of each read and write. Any thread.
class IoTimeouts {
 public:
  void Store(const CommSettings& s) {
    readInterval_.store(s.ReadIntervalTimeout, std::memory_order_relaxed);
    readMultiplier_.store(s.ReadTotalTimeoutMultiplier, std::memory_order_relaxed);
    readConstant_.store(s.ReadTotalTimeoutConstant, std::memory_order_relaxed);
    writeMultiplier_.store(s.WriteTotalTimeoutMultiplier, std::memory_order_relaxed);
    writeConstant_.store(s.WriteTotalTimeoutConstant, std::memory_order_relaxed);
  }
  ReadDeadlines ForRead(std::size_t size, ReadDeadlines::Clock::time_point start) const {
    return ReadDeadlines(readInterval_.load(std::memory_order_relaxed),
                         readMultiplier_.load(std::memory_order_relaxed),
                         readConstant_.load(std::memory_order_relaxed), size, start);
  }
  std::optional<ReadDeadlines::Clock::time_point> ForWrite(
      std::size_t size, ReadDeadlines::Clock::time_point start) const {
    return TotalDeadline(writeMultiplier_.load(std::memory_order_relaxed),
                         writeConstant_.load(std::memory_order_relaxed), size, start);
  }

 private:
  std::atomic<std::uint32_t> readInterval_{0};
  std::atomic<std::uint32_t> readMultiplier_{0};
  std::atomic<std::uint32_t> readConstant_{0};
  std::atomic<std::uint32_t> writeMultiplier_{0};
  std::atomic<std::uint32_t> writeConstant_{0};
};

// What a read keeps of the bytes that just came into `came`: all of them, or with IgnoreNullChar
// (`ignoreNull`, looked at for each chunk: line state changes reach even a read already under
// way, as they do in the driver) all but the 0 bytes, moved to the front. Returns the count kept.
inline std::size_t KeepReceived(std::span<std::uint8_t> came, const std::atomic<bool>& ignoreNull) {
  if (!ignoreNull.load(std::memory_order_relaxed)) return came.size();
  return static_cast<std::size_t>(std::remove(came.begin(), came.end(), std::uint8_t{0}) -
                                  came.begin());
}

// How a wait for the device ended: none when the device is ready; otherwise Stopped (the stop
// signal), Done (the deadline passed), Closed, or Gone with its error.
using WaitEnd = std::optional<IoResult>;

// A read of `buffer` under `timeouts`, for the devices that time it themselves (see
// SerialDevice::Read). `wait(deadline)` waits until bytes are there (a WaitEnd); `take(rest)`
// moves what is there into `rest` without waiting: Done with the count (0: nothing after all,
// wait again), or Closed or Gone.
template <typename WaitFn, typename TakeFn>
IoResult TimedRead(const IoTimeouts& timeouts, const std::atomic<bool>& ignoreNull,
                   std::span<std::uint8_t> buffer, WaitFn wait, TakeFn take) {
  using Clock = ReadDeadlines::Clock;
  const ReadDeadlines deadlines = timeouts.ForRead(buffer.size(), Clock::now());
  std::size_t got = 0;
  // A stop or a close drops the bytes gathered so far; a time-out or a failure returns them first.
  const auto ended = [&got](const IoResult& end) -> IoResult {
    if (end.Status == IoStatus::Done || (end.Status == IoStatus::Gone && got > 0)) {
      return {IoStatus::Done, got, {}};
    }
    return {end.Status, 0, end.Error};
  };
  for (;;) {
    if (const WaitEnd end = wait(deadlines.Next(got, Clock::now()))) return ended(*end);
    const IoResult taken = take(buffer.subspan(got));
    if (taken.Status != IoStatus::Done) return ended(taken);
    got += KeepReceived(buffer.subspan(got, taken.Count), ignoreNull);
    if (got == buffer.size() || (deadlines.ReturnOnFirstBytes() && got > 0)) return ended(taken);
  }
}

}  // namespace quorin
