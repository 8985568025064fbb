#pragma once
// A hook that sees every byte a job hands to the port and every byte the port delivers, without
// taking part in the protocol (the command line's --trace writes it to a file).
#include <cstddef>
#include <cstdint>
#include <functional>

namespace quorin {

enum class TraceDirection { Sent, Received };

// Called on the job worker for sent bytes (only those SendData accepted) and on the UI thread for
// received bytes (the whole delivery, also past the 400 bytes the classifier looks at). The bytes
// are valid only during the call. An implementation must therefore be safe to call from two threads.
using ByteTrace =
    std::function<void(TraceDirection direction, const std::uint8_t* bytes, std::size_t length)>;

}  // namespace quorin
