#pragma once
// Which port a command's job (flash, doctor) uses: --port NAME, "auto" for the one USB serial
// adapter present, else the settings file's port. Main thread; prints on stderr what is wrong.
#include <optional>
#include <string>

#include "settings/JobSettings.h"

namespace quorin {

// Fills `settings` from the settings file (`settingsFile`, empty: SettingsFilePath()) and
// `portName` with the port to use, and pins settings.PortName to it. `port` is --port's value
// (empty: not given). A settings file named with --settings must give a usable port when it is
// asked for one; "auto" needs exactly one USB serial adapter with a port. Otherwise says why on
// stderr and returns the exit code (2 for the settings file, 64 for "auto").
std::optional<int> JobTargetFor(const std::string& port, const std::string& settingsFile,
                                JobSettings& settings, std::string& portName);

// True for --port's "auto" (any letter case).
bool IsAutoPort(const std::string& port);

}  // namespace quorin
