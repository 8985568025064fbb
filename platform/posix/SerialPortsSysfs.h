#pragma once
// Linux only: the port listing over any tree laid out like sysfs (for tests).
#include <filesystem>
#include <vector>

#include "platform/SerialPorts.h"

namespace quorin::platform {

// ListSerialPorts over another tree: `sysClassTty` stands for /sys/class/tty, `devDir` for /dev.
std::vector<SerialPortInfo> ListSerialPorts(const std::filesystem::path& sysClassTty,
                                            const std::filesystem::path& devDir);

}  // namespace quorin::platform
