// The controller's end on the master of a pseudo-terminal (POSIX).
#include <utility>

#include "platform/PtyPair.h"
#include "sim/ControllerLine.h"
#include "sim/SimController.h"

namespace quorin::sim {
namespace {

class PtyControllerLine final : public ControllerLine {
 public:
  std::string DevicePath() const override { return pty_.SlavePath(); }
  std::uint32_t LineBaud() const override { return pty_.LineBaud(); }
  void Close() override { pty_.Close(); }
  WaitResult Wait(std::optional<std::chrono::nanoseconds> timeout) override {
    switch (pty_.WaitForMaster(timeout)) {
      case platform::PtyPair::WaitResult::Readable:
        return WaitResult::Readable;
      case platform::PtyPair::WaitResult::Woken:
        return WaitResult::Woken;
      case platform::PtyPair::WaitResult::TimedOut:
        break;
    }
    return WaitResult::TimedOut;
  }
  void Wake() override { pty_.Wake(); }
  std::size_t Read(std::span<std::uint8_t> buffer) override { return pty_.ReadMaster(buffer); }
  std::size_t Write(std::span<const std::uint8_t> bytes) override {
    return pty_.WriteMaster(bytes);
  }

 private:
  platform::PtyPair pty_;
};

}  // namespace

SimController::SimController(SimOptions options)
    : SimController(std::move(options), std::make_unique<PtyControllerLine>()) {}

}  // namespace quorin::sim
