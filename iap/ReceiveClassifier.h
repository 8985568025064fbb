#pragma once
// The receive classifier: turns the controller's one-byte answers into the response flags.
#include <cstdint>

#include "iap/JobState.h"

namespace quorin {

// AVS1's OnReceiveData handler: looks at no more than the first 400 bytes of the delivery and
// only sets StxSeen / FdSeen / AckSeen / EotSeen. UI thread.
void AVS1ReceiveData(JobState& state, const std::uint8_t* buffer, std::uint16_t bufferLength);

}  // namespace quorin
