#pragma once
// What the simulated controller saw and did, for tests and for the simulate command.
// A plain value: SimController::Report() hands out a copy.
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/ControllerFrames.h"

namespace quorin::sim {

using SimClock = std::chrono::steady_clock;

struct LineChunk {
  SimClock::time_point At;
  std::uint32_t Baud = 0;  // the line speed set on the tool's side when the bytes were read
  std::vector<std::uint8_t> Bytes;
};

struct RestartFrameRecord {
  SimClock::time_point At;
  std::uint32_t Baud = 0;
  std::array<std::uint8_t, kRestartFrameSize> Masked{};
  RestartFrameFields Fields;
  std::vector<std::string> Problems;  // empty: a valid frame
  bool Accepted = false;              // the application took it and starts the loader
};

struct HeaderFrameRecord {
  SimClock::time_point At;
  std::array<std::uint8_t, kHeaderFrameSize> Bytes{};
  HeaderFrameFields Fields;
  std::vector<std::string> Problems;
  bool Acknowledged = false;
};

enum class SessionEnd { Open, Verdict, VerdictWithheld, Burst, Idle, CablePulled, Refused };

// One job as the loader lived it: from its first identification request to its end.
struct LoaderSession {
  SimClock::time_point Started;
  unsigned IdentificationRequests = 0;
  bool Identified = false;  // both 0x02 and 0xFD were sent
  std::optional<HeaderFrameRecord> Header;
  std::size_t DataBytes = 0;  // data bytes received (16 per block)
  std::size_t Blocks = 0;     // complete 16-byte blocks
  unsigned GroupsAcknowledged = 0;
  std::vector<std::uint8_t> Firmware;   // unmasked, the first DataLength bytes once all are in
  std::vector<std::uint8_t> BlockTail;  // unmasked bytes of the last block past DataLength
  bool SumMatched = false;
  SessionEnd End = SessionEnd::Open;
};

struct SimReport {
  std::vector<LineChunk> Received;  // every byte read from the line, in order (keepByteLog)
  std::vector<LineChunk> Sent;      // every byte written to the line, in order (keepByteLog)
  std::vector<SimClock::time_point> IdentificationRequests;  // each 0x02 outside a transfer
  std::vector<RestartFrameRecord> RestartFrames;
  std::vector<LoaderSession> Sessions;
  std::vector<std::string> Violations;  // protocol faults of the tool, in words
  std::size_t BytesReceived = 0;
  std::size_t VerdictsSent = 0;  // 0x04 verdicts and bursts sent in their place
  bool CablePulled = false;

  // All received bytes, concatenated.
  std::vector<std::uint8_t> ReceivedBytes() const;
  // All sent bytes, concatenated.
  std::vector<std::uint8_t> SentBytes() const;
  // The last session, or nullptr when none began.
  const LoaderSession* LastSession() const;
};

}  // namespace quorin::sim
