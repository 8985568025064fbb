#pragma once
// Linux: the device facts of a tree laid out like a Linux root (the real "/" or a test's folder).
#include <filesystem>
#include <memory>

#include "platform/DeviceView.h"

namespace quorin::platform {

// Reads, under `root`: sys/bus/usb/devices (ids, strings, interface classes and drivers),
// sys/class/tty with dev (the ports, matched to their USB device by the sysfs path: two levels
// below it for ttyUSB, one for ttyACM), proc/*/comm (brltty and ModemManager processes),
// proc/*/fd (holders), sys/fs/cgroup/system.slice (their active units) and the udev rule folders
// etc/udev/rules.d, run/udev/rules.d, usr/lib/udev/rules.d, lib/udev/rules.d (a name in an
// earlier folder hides the same name in a later one, as udev does). Only regular files are read,
// and none blocks.
std::unique_ptr<DeviceView> SysfsDeviceView(const std::filesystem::path& root);

}  // namespace quorin::platform
