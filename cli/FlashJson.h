#pragma once
// What `flash --json` prints on stdout: one object that sums up the run.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorin {

// Settings of the port that its driver refused (the port was used anyway): the port name, the
// baud rate asked and the system's reasons; an unset reason means that part was taken.
struct RefusedSettingsNote {
  std::string Port;
  std::uint32_t BaudRate = 0;
  std::optional<std::string> LineState;
  std::optional<std::string> Timeouts;
};

// What is known of one `flash` run when it ends. Fields that the run never got to stay unset and
// are printed as null.
struct FlashSummary {
  int ExitCode = 0;
  std::string Pack;                 // the pack file as given
  std::optional<unsigned> Version;  // from the pack's header, once it was judged usable
  std::optional<unsigned long> Target;
  std::optional<unsigned long> DataLength;
  std::optional<std::string> Port;                     // the port name (--port or "COMn")
  std::optional<std::string> Device;                   // the device that name stands for
  std::uint32_t BytesSent = 0;                         // firmware bytes handed to the port
  std::uint32_t GroupsAcknowledged = 0;                // 1024-byte groups the loader acknowledged
  double DurationSeconds = 0.0;                        // the job's time, 0 when no job ran
  std::optional<RefusedSettingsNote> RefusedSettings;  // unset when the driver took everything
  std::vector<std::string> Log;  // the job's log lines, as the window shows them
};

// `summary` as one JSON object on one line, without a newline:
// {"outcome" (the exit code's word: "programmed", "broken-pack", "unusable-file", "port-error",
//  "no-answer", "not-acknowledged", "no-final-answer", "foreign-target", "usage-error",
//  "internal-error", "interrupted"; "unknown" for any other), "exit-code", "pack", "version",
//  "target", "data-length", "port", "device", "bytes-sent", "groups-acknowledged", "duration",
//  "refused-settings", "log"}; "refused-settings" is null or {"port", "baud-rate", "line-state",
// "time-outs"} with the system's reasons or null. Always valid JSON (see JsonString). Pure.
std::string FlashJson(const FlashSummary& summary);

}  // namespace quorin
