#pragma once
// Linux only: the port listing over any tree laid out like sysfs (for tests).
#include <filesystem>
#include <string>
#include <vector>

#include "platform/SerialPorts.h"

namespace quorin::platform {

// ListSerialPorts over another tree: `sysClassTty` stands for /sys/class/tty, `devDir` for /dev.
std::vector<SerialPortInfo> ListSerialPorts(const std::filesystem::path& sysClassTty,
                                            const std::filesystem::path& devDir);

// The first line of the attribute file `file` (sysfs, /proc), trailing blanks removed; empty when
// it is absent or no regular file. Never raises except std::bad_alloc.
std::string ReadAttribute(const std::filesystem::path& file);

}  // namespace quorin::platform
