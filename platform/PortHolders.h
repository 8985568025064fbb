#pragma once
// Why a device would not open, as far as the operating system tells: what kind of refusal an
// open's error is, which processes have the device open, and which group owns it. Used only to
// explain a failed open to a user; nothing here opens the device. Any thread; never raises except
// std::bad_alloc.
#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

namespace quorin::platform {

// What an open's error means for a user.
enum class OpenRefusal {
  Other,         // anything else (a driver error, a device that is no serial line, ...)
  Busy,          // another program has the device (EBUSY / the lock taken; a COM port's
                 //   ERROR_ACCESS_DENIED or ERROR_SHARING_VIOLATION)
  NoPermission,  // this user may not open it (EACCES, EPERM)
  NoDevice,      // there is no such device (ENOENT, ENODEV, ENXIO; ERROR_FILE_NOT_FOUND ...)
};

// The refusal `reason` (as the serial backend kept it) stands for on this system.
OpenRefusal ClassifyOpenError(std::error_code reason);

// A process that has a device open.
struct PortHolder {
  std::uint64_t ProcessId = 0;
  std::string Name;         // the process's short name (Linux: /proc/PID/comm)
  std::string CommandLine;  // its arguments joined by blanks; empty when it cannot be read
};

struct PortHolderList {
  // False when this system does not tell who has a device open (Windows; a POSIX system without
  // a readable /proc). Holders is then empty.
  bool Told = false;
  // Every other process whose open descriptors include the device (the same device and inode,
  // whatever name it was opened by), by process id. The calling process is left out, and so are
  // processes this user may not look into.
  std::vector<PortHolder> Holders;
};

PortHolderList HoldersOf(const std::string& devicePath);

// Who may open a device.
struct DeviceGroup {
  std::string Name;            // the owning group's name; empty when unknown (Windows, no stat);
                               // its number when the group has no name (Named false)
  bool GroupMayUse = false;    // the group may both read and write the device
  bool Named = false;          // Name is a name this system knows, one a user can be added to
  std::string Id;              // the group's number in decimal; empty when unknown
};

DeviceGroup GroupOf(const std::string& devicePath);

}  // namespace quorin::platform
