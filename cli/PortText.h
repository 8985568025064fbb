#pragma once
// Port names as the command line echoes them in its messages. Any thread.
#include <cstddef>
#include <string>
#include <string_view>

namespace quorin {

// How many bytes of a name a message shows before it is cut.
inline constexpr std::size_t kShownNameLength = 64;

// `name` fit for a message line: platform::TerminalSafe(name), cut after kShownNameLength bytes
// (never inside a UTF-8 sequence) with "..." at the end when anything was cut. Pure.
std::string ShownName(std::string_view name);

// The device a job used for the port name `name`, for "on DEVICE" in a message:
// "/dev/ttyS0 (COM1)" for a COMn name (resolved as the job resolves it), the shown name itself for
// a device path. Reads the machine's port list only for COMn.
std::string DeviceForMessage(const std::string& name);

}  // namespace quorin
