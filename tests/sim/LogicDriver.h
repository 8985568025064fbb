#pragma once
// Drives ControllerLogic on a made-up clock: what the tool sends goes in at a chosen moment, and
// whatever the controller has due by then comes back, as the controller's thread would write it.
#include <chrono>
#include <cstdint>
#include <vector>

#include "sim/ControllerLogic.h"
#include "tests/sim/JobBytes.h"

namespace quorin::sim::test {

using std::chrono::milliseconds;

class LogicDriver {
 public:
  explicit LogicDriver(SimOptions options) : logic_(std::move(options)) {}

  // The tool sends `bytes` `after` the previous step, at `baud`. Returns what the controller
  // writes at that moment.
  std::vector<std::uint8_t> Send(std::vector<std::uint8_t> bytes, std::uint32_t baud = 38400,
                                 milliseconds after = milliseconds(1)) {
    now_ += after;
    logic_.Tick(now_);
    logic_.OnReceived(now_, baud, bytes.data(), bytes.size());
    return Due();
  }
  template <std::size_t N>
  std::vector<std::uint8_t> Send(const std::array<std::uint8_t, N>& bytes,
                                 std::uint32_t baud = 38400, milliseconds after = milliseconds(1)) {
    return Send(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), baud, after);
  }
  // Lets `time` pass and returns what the controller wrote meanwhile.
  std::vector<std::uint8_t> Wait(milliseconds time) {
    std::vector<std::uint8_t> all;
    const auto end = now_ + time;
    // Step through every due moment so that actions come out in time order.
    for (;;) {
      const auto next = logic_.NextDue();
      if (!next || *next > end) break;
      now_ = std::max(now_, *next);
      logic_.Tick(now_);
      const auto bytes = Due();
      all.insert(all.end(), bytes.begin(), bytes.end());
    }
    now_ = end;
    logic_.Tick(now_);
    const auto bytes = Due();
    all.insert(all.end(), bytes.begin(), bytes.end());
    return all;
  }

  // A whole loader conversation up to the verdict wait: identification, header (with the tool's
  // 10 ms and 500 ms pauses), the blocks. Returns every answer byte, concatenated.
  std::vector<std::uint8_t> RunTransfer(const FirmwareJob& job) {
    std::vector<std::uint8_t> answers = Send({0x02});
    Append(answers, Send({0x06}, 38400, milliseconds(5)));
    Append(answers, Send(HeaderFrame(job), 38400, milliseconds(10)));
    const std::vector<std::uint8_t> data = DataBlocks(job);
    milliseconds pause(500);
    for (std::size_t at = 0; at < data.size(); at += 16) {
      Append(answers, Send({data.begin() + static_cast<std::ptrdiff_t>(at),
                            data.begin() + static_cast<std::ptrdiff_t>(at + 16)},
                           38400, pause));
      pause = milliseconds(1);
    }
    return answers;
  }

  bool CablePulled() const { return cablePulled_; }
  const SimReport& Report() const { return logic_.Report(); }
  ControllerLogic& Logic() { return logic_; }

  static void Append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& more) {
    to.insert(to.end(), more.begin(), more.end());
  }

 private:
  std::vector<std::uint8_t> Due() {
    std::vector<std::uint8_t> written;
    for (const SimAction& action : logic_.TakeDue(now_)) {
      if (action.Type == SimAction::Kind::PullCable) cablePulled_ = true;
      written.insert(written.end(), action.Bytes.begin(), action.Bytes.end());
      logic_.OnCarriedOut(action, now_, action.Bytes.size());
    }
    return written;
  }

  ControllerLogic logic_;
  SimClock::time_point now_ = SimClock::time_point() + std::chrono::hours(1);
  bool cablePulled_ = false;
};

}  // namespace quorin::sim::test
