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
  SimClock::time_point at;
  std::uint32_t baud = 0;  // the line speed set on the tool's side when the bytes were read
  std::vector<std::uint8_t> bytes;
};

struct RestartFrameRecord {
  SimClock::time_point at;
  std::uint32_t baud = 0;
  std::array<std::uint8_t, kRestartFrameSize> masked{};
  RestartFrameFields fields;
  std::vector<std::string> problems;  // empty: a valid frame
  bool accepted = false;              // the application took it and starts the loader
};

struct HeaderFrameRecord {
  SimClock::time_point at;
  std::array<std::uint8_t, kHeaderFrameSize> bytes{};
  HeaderFrameFields fields;
  std::vector<std::string> problems;
  bool acknowledged = false;
};

enum class SessionEnd { Open, Verdict, VerdictWithheld, Burst, Idle, CablePulled, Refused };

// One job as the loader lived it: from its first identification request to its end.
struct LoaderSession {
  SimClock::time_point started;
  unsigned identificationRequests = 0;
  bool identified = false;  // both 0x02 and 0xFD were sent
  std::optional<HeaderFrameRecord> header;
  std::size_t dataBytes = 0;  // data bytes received (16 per block)
  std::size_t blocks = 0;     // complete 16-byte blocks
  unsigned groupsAcknowledged = 0;
  std::vector<std::uint8_t> firmware;   // unmasked, the first DataLength bytes once all are in
  std::vector<std::uint8_t> blockTail;  // unmasked bytes of the last block past DataLength
  bool sumMatched = false;
  SessionEnd end = SessionEnd::Open;
};

struct SimReport {
  std::vector<LineChunk> received;  // every byte read from the line, in order (keepByteLog)
  std::vector<LineChunk> sent;      // every byte written to the line, in order (keepByteLog)
  std::vector<SimClock::time_point> identificationRequests;  // each 0x02 outside a transfer
  std::vector<RestartFrameRecord> restartFrames;
  std::vector<LoaderSession> sessions;
  std::vector<std::string> violations;  // protocol faults of the tool, in words
  std::size_t bytesReceived = 0;
  std::size_t verdictsSent = 0;        // 0x04 verdicts and bursts sent in their place
  std::size_t answerBytesDropped = 0;  // could not be written (line buffer full)
  bool cablePulled = false;

  // All received bytes, concatenated.
  std::vector<std::uint8_t> ReceivedBytes() const;
  // All sent bytes, concatenated.
  std::vector<std::uint8_t> SentBytes() const;
  // The last session, or nullptr when none began.
  const LoaderSession* LastSession() const;
};

}  // namespace quorin::sim
