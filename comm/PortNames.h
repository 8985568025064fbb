#pragma once
// Port names: what "COMn" means on this machine. The listing of the machine's serial ports itself
// is platform/SerialPorts.h; its names are used here unqualified. No device is opened. Any thread.
#include <optional>
#include <string>
#include <vector>

#include "platform/SerialPorts.h"

namespace quorin {

using platform::ListSerialPorts;
using platform::SerialPortInfo;

// n for "COMn" written in any letter case with n a decimal number from 1; nothing otherwise.
std::optional<unsigned> ComPortNumber(const std::string& name);

// The device to open for a port name:
//   - "COMn" (any case): what platform::ComPortDevice makes of it: on POSIX the n-th entry of
//     `ports` (ListSerialPorts()), or the system's n-th on-board port ("/dev/ttyS<n-1>") when the
//     list has fewer than n entries; on Windows the port COMn itself ("\\.\COMn");
//   - anything else (a device path such as "/dev/ttyUSB0" or "/dev/pts/3"): used as it is.
// Never raises except std::bad_alloc.
std::string ResolvePortName(const std::string& name, const std::vector<SerialPortInfo>& ports);
// The same against the machine's list, read only when `name` is "COMn".
std::string ResolvePortName(const std::string& name);

}  // namespace quorin
