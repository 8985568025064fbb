#pragma once
// What a user can do about a serial port that would not open. The command line prints it on
// stderr; the window shows it beside the log (the log's own lines stay as they are).
#include <string>
#include <system_error>

#include "iap/JobReport.h"

namespace quorin {

// What the system tells about the failed open of `portName` whose error was `reason`: the kind of
// refusal, and for a busy port the processes that hold its device, for a forbidden one the group
// that owns it. Looks at the system (on Linux /proc and the device's owner); call it right after
// the failure. Any thread.
OpenFailureFacts GatherOpenFailureFacts(const std::string& portName, std::error_code reason);

// Two or more lines, without a trailing newline: first "cannot open the serial port NAME: REASON",
// then what to do about it, from `facts`: close the program holding the port (named with its
// process id where the system tells; ModemManager with the command that stops it), join the group
// that owns the device, connect the cable and pick another port, ... Pure; any thread.
std::string OpenFailureAdvice(const std::string& portName, const std::string& reasonText,
                              const OpenFailureFacts& facts);
// Its parts: the first line, and what to do (lines without the indent the advice gives them).
std::string OpenFailureHeadline(const std::string& portName, const std::string& reasonText);
std::string OpenFailureAction(const OpenFailureFacts& facts);

// The advice for the first open of `report`'s job that failed; empty when every open succeeded.
// REASON is the system's cause, or the component's text when the failure kept none. An open that
// failed inside this program (PortOpenFailure::InProgram) says so and never blames another
// program or the device. Pure.
std::string OpenFailureAdvice(const JobReport& report);

// Two or more lines, without a trailing newline, when the driver refused settings of an open of
// `report`'s job: first "the driver of NAME refused the line settings (RATE baud ...): REASON"
// and/or "... refused the read and write time-outs: REASON", then what that means and what to do.
// Empty when every open's settings were taken. Pure; any thread.
std::string RefusedSettingsAdvice(const JobReport& report);

}  // namespace quorin
