#pragma once
// How a programming job ended and what it left behind besides its log lines.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

#include "platform/PortHolders.h"

namespace quorin {

// How a job ended (the command line turns it into its exit code).
enum class JobOutcome {
  Success,        // "Programed sucessfuly"
  PortError,      // "UART Port error "
  NotIdentified,  // "MCU undentified ,try agian" ...
  Unsuccessful,   // header or a 1024-byte group not acknowledged: "Program unsucessful"
  Failed,         // no 0x04: "Program fail "
  Cancelled,      // stopped by Cancel() or by the owner going away
};

// What the system told about a failed open, gathered on the worker right when the open failed
// (a holder may be gone by the time anyone reads it).
struct OpenFailureFacts {
  platform::OpenRefusal Refusal = platform::OpenRefusal::Other;
  std::string Device;                // the device the port name stood for
  platform::PortHolderList Holders;  // looked for only when Busy
  platform::DeviceGroup Group;       // looked for only when NoPermission
};

// A failed open: the port name tried, the component's text and the system's reason (ENOENT,
// EACCES, EBUSY ...).
struct PortOpenFailure {
  std::string PortName;
  std::string Text;
  std::error_code Reason;
  OpenFailureFacts Facts;  // not looked for when InProgram
  // The open failed inside this program (a thread or an event it could not create), not at the
  // device: an internal error, whatever the job's outcome says (ECommsError::InProgram).
  bool InProgram = false;
};

// An open that succeeded although the driver refused some of the settings written to the port (it
// was used anyway, so the controller may never have understood a byte).
struct PortSettingsRefused {
  std::string PortName;
  std::uint32_t BaudRate = 0;  // the rate asked for with that open
  std::error_code LineState;   // the system's reason, empty when the line state was taken
  std::error_code Timeouts;    // likewise for the time-outs
};

// Read on the UI thread, from the job's finish notice on.
struct JobReport {
  JobOutcome Outcome = JobOutcome::Cancelled;
  // The job's first open that failed, and its first open whose settings the driver refused in
  // part; none when every open (every open's settings) went well.
  std::optional<PortOpenFailure> OpenFailure;
  std::optional<PortSettingsRefused> SettingsRefused;
  // Firmware bytes handed to the port in data blocks (16 a block, so up to 15 bytes of filler
  // beyond the data length), and the 1024-byte groups the loader acknowledged. Counted by the
  // worker alone and copied into the report when the job has ended.
  std::uint32_t FirmwareBytesSent = 0;
  std::uint32_t GroupsAcknowledged = 0;
  // CPU time the worker thread used for the whole job body.
  std::chrono::nanoseconds WorkerCpuTime{0};
};

}  // namespace quorin
