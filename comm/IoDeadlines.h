#pragma once
// When a read or a write ends, from the five time-outs, as a COM port driver times them. Shared
// by the devices that time their I/O themselves (the POSIX backend and the loopback line); on
// Windows the driver does it.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

namespace quorin {

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
    } else if (multiplier != 0 || constant != 0) {
      total_ = start + std::chrono::milliseconds(std::uint64_t{multiplier} * size + constant);
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

// The deadline of a write of `size` bytes starting at `start` (multiplier * size + constant
// milliseconds); none when both are 0 (the write waits without limit). Pure.
inline std::optional<std::chrono::steady_clock::time_point> WriteDeadline(
    std::uint32_t multiplier, std::uint32_t constant, std::size_t size,
    std::chrono::steady_clock::time_point start) {
  if (multiplier == 0 && constant == 0) return std::nullopt;
  return start + std::chrono::milliseconds(std::uint64_t{multiplier} * size + constant);
}

}  // namespace quorin
