#pragma once
// What a user can do about a serial port that would not open. The command line prints it on
// stderr; the window shows it beside the log (the log's own lines stay as they are).
#include <string>
#include <system_error>

#include "iap/JobReport.h"

namespace quorin {

// Two or more lines, without a trailing newline: first "cannot open the serial port NAME: REASON",
// then what to do about it (join the dialout group, close the program holding the port, connect
// the cable and pick another port, ...). `reason` is the system's cause kept by the failed open
// (may be empty: then `componentText` stands in for it). Any thread.
std::string OpenFailureAdvice(const std::string& portName, const std::string& componentText,
                              std::error_code reason);

// The advice for the first open of `report`'s job that failed; empty when every open succeeded.
std::string OpenFailureAdvice(const JobReport& report);

}  // namespace quorin
