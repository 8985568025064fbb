#pragma once
// The connection doctor's findings as text for a person: the command line prints it, the window
// shows it in its dialog (copyable). Pure; any thread.
#include <string>

#include "iap/Doctor.h"

namespace quorin {

// The adapters (one line each, their fields cleaned with platform::TerminalSafe), then every
// finding: its severity and check, its text, and "What to do:" with its action, indented. Ends
// with a newline. `result` should come from Diagnose(..., OutsideTextUse::TerminalSafe): the
// findings' texts are shown as they are.
std::string DoctorText(const DoctorResult& result);

}  // namespace quorin
