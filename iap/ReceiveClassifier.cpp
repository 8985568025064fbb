// AVS1ReceiveData: turns the controller's one-byte answers into the response flags.
#include <algorithm>

#include "iap/Frames.h"
#include "iap/ReceiveClassifier.h"

namespace quorin {
namespace {

// Only the start of a delivery is examined; a long burst of noise cannot hide the answers forever
// because the loader answers with single bytes.
constexpr std::uint16_t kClassifiedBytes = 400;

void Set(std::atomic<std::uint8_t>& flag) { flag.store(1, std::memory_order_release); }

}  // namespace

void AVS1ReceiveData(JobState& state, const std::uint8_t* buffer, std::uint16_t bufferLength) {
  if (buffer == nullptr) return;
  const std::uint16_t n = std::min(bufferLength, kClassifiedBytes);
  for (std::uint16_t i = 0; i < n; ++i) {
    switch (buffer[i]) {
      case kAck: Set(state.AckSeen); break;
      case kProgramDone: Set(state.EotSeen); break;
      case kIdentifyRequest: Set(state.StxSeen); break;
      case kLoaderIdentity: Set(state.FdSeen); break;
      default: break;
    }
  }
}

}  // namespace quorin
