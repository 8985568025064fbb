#pragma once
// How a programming job ended and what it left behind besides its log lines.
#include <chrono>
#include <string>
#include <system_error>

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

// Read on the UI thread, from the job's finish notice on.
struct JobReport {
  JobOutcome Outcome = JobOutcome::Cancelled;
  // The first open of the job that failed: the port name tried, the component's text and the
  // system's reason (ENOENT, EACCES, EBUSY ...). Empty name when every open succeeded.
  std::string FailedPortName;
  std::string OpenErrorText;
  std::error_code OpenErrorReason;
  // CPU time the worker thread used for the whole job body.
  std::chrono::nanoseconds WorkerCpuTime{0};
};

}  // namespace quorin
