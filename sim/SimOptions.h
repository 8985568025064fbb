#pragma once
// What the simulated controller does: its fault scenario and its timings.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorin::sim {

// How the controller misbehaves. Each has a command-line name (ScenarioName).
enum class SimScenario {
  Normal,               // "normal": the loader is running and answers everything well
  Silent,               // "silent": neither the application nor the loader ever answers
  ApplicationFirst,     // "application-first": the application runs until a valid restart frame
  NoHeaderAck,          // "no-header-ack": the header frame is never acknowledged
  EarlyAck,             // "early-ack": 0x06 already within the identification answer, none for
                        //   the header; everything after is answered well
  AckLost,              // "ack-lost": no 0x06 for 1024-byte group k
  AckDelay,             // "ack-delay": the 0x06 for group k comes `ackDelay` late (k = 0: all)
  NoVerdict,            // "no-verdict": all blocks taken, but no 0x04
  SplitIdentification,  // "split-identification": 0x02 after the first request, nothing after
                        //   the second, 0xFD after the third
  BurstVerdict,         // "burst-verdict": instead of the verdict a 500-byte burst whose only
                        //   0x04 is at position 450
  Noise,                // "noise": random bytes around every answer (never 0x02, 0x04, 0x06,
                        //   0xFD, nor the flow-control bytes 0x11 and 0x13)
  CablePulled,          // "cable-pulled": once group k is in, both ends of the line are closed
  // "ack-and-verdict-together": when the last block closes a 1024-byte group, its 0x06 and the
  // 0x04 go out back to back in one write
  AckAndVerdictTogether,
};

std::string_view ScenarioName(SimScenario scenario);
// The scenario of a command-line name; nullopt for an unknown name.
std::optional<SimScenario> ParseScenarioName(std::string_view name);
// Every name, in declaration order.
std::vector<std::string_view> ScenarioNames();

struct SimOptions {
  SimScenario Scenario = SimScenario::Normal;
  // k of the group scenarios: the k-th group of 1024 data bytes, counting from 1.
  unsigned Group = 1;
  // How late the acknowledgement comes in AckDelay.
  std::chrono::milliseconds AckDelay{1000};
  // From a valid restart frame to the loader listening.
  std::chrono::milliseconds LoaderStartDelay{300};
  // The loader's final check, from the last data byte to 0x04.
  std::chrono::milliseconds VerdictDelay{20};
  // Extra wait when 0x04 would follow an acknowledgement at once (the last block closed a
  // 1024-byte group, or there were no blocks after the header): the tool must have taken the
  // acknowledgement and begun waiting for the verdict before 0x04 arrives. With no blocks, the
  // tool's fixed 500 ms pause after the header is added as well.
  std::chrono::milliseconds AnswerSeparation{300};
  // A loader session silent this long (nothing received or sent) is abandoned: the controller
  // goes back to its starting role, as after a power cycle.
  std::chrono::milliseconds IdleReset{1500};
  // A data byte sooner than this after the header frame breaks the loader's erase time.
  std::chrono::milliseconds EraseTime{200};
  // The loader's line speed and the baud index it expects in the header frame.
  std::uint32_t LoaderBaud = 38400;
  std::uint8_t ExpectedBaudIndex = 0;
  // The application's line speed for the restart frame.
  std::uint32_t ApplicationBaud = 9600;
  // Largest DataLength the loader accepts.
  std::uint32_t Capacity = 131024;
  // Restart frames with a lower Version are refused by the application (0: none refused).
  std::uint16_t MinimumVersion = 0;
  // When not empty, each complete firmware (unmasked, DataLength bytes) is written here: the file
  // is replaced as a whole, never opened itself, so a FIFO or a device there can never block the
  // controller; one that is not a regular file is left alone and reported as a violation.
  std::string FirmwareOutputPath;
  // Seeds the noise and the burst filler.
  std::uint32_t Seed = 1;
  // Keep every received and sent chunk in the report (off for long benchmark runs).
  bool KeepByteLog = true;
  // Keep only the last job in the report: the loader sessions before the last one are forgotten,
  // and of the restart frames, identification requests and violations only the latest few stay.
  bool LastJobOnly = false;
};

// The options of a controller that lives as long as the program around it (the window's
// --simulate serves job after job for hours): the scenario named `scenario` (empty: the default),
// no byte log, the last job only, so that what it keeps stays that of one job however many it
// served. Raises std::runtime_error naming the known scenarios when there is none of that name.
SimOptions LongRunningOptions(std::string_view scenario);

}  // namespace quorin::sim
