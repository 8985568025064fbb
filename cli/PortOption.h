#pragma once
// The target of a command's job (flash, doctor) from --port and --settings (iap/JobTarget.h lists
// every front end's choice), and port names as the command line echoes them in its messages.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "iap/JobTarget.h"

namespace quorin {

// How many bytes of a name a message shows before it is cut.
inline constexpr std::size_t kShownNameLength = 64;

// `name` fit for a message line: platform::TerminalSafe(name), cut after kShownNameLength bytes
// (never inside a UTF-8 sequence) with "..." at the end when anything was cut. Pure; any thread.
std::string ShownName(std::string_view name);

// The device a job used for the port name `name`, for "on DEVICE" in a message:
// "/dev/ttyS0 (COM1)" for a COMn name (resolved as the job resolves it), the shown name itself for
// a device path. Reads the machine's port list only for COMn. Any thread.
std::string DeviceForMessage(const std::string& name);

// A FixedPort: `port` (--port's value) as it is; for "auto" (any letter case) the one USB serial
// adapter with a port; when `port` is empty "COM" + the port of the settings file (`settingsFile`,
// empty: SettingsFilePath(), then COM1 when it says nothing), which a file named with --settings
// must give. Its baud index is the settings file's. Otherwise says why on stderr and returns the
// exit code (2 for the settings file, 64 for "auto"), leaving `target` empty. Main thread.
std::optional<int> PortOptionTarget(const std::string& port, const std::string& settingsFile,
                                    std::optional<JobTarget>& target);

}  // namespace quorin
