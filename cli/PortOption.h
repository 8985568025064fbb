#pragma once
// The target of a command's job (flash, doctor) from --port and --settings (iap/JobTarget.h lists
// every front end's choice). Main thread; prints on stderr what is wrong.
#include <optional>
#include <string>

#include "iap/JobTarget.h"

namespace quorin {

// A FixedPort: `port` (--port's value) as it is; for "auto" (any letter case) the one USB serial
// adapter with a port; when `port` is empty "COM" + the port of the settings file (`settingsFile`,
// empty: SettingsFilePath(), then COM1 when it says nothing), which a file named with --settings
// must give. Its baud index is the settings file's. Otherwise says why on stderr and returns the
// exit code (2 for the settings file, 64 for "auto"), leaving `target` empty.
std::optional<int> PortOptionTarget(const std::string& port, const std::string& settingsFile,
                                    std::optional<JobTarget>& target);

}  // namespace quorin
