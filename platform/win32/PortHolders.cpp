// Who holds a device on Windows: the system does not tell which process has a COM port open (the
// open is refused with ERROR_ACCESS_DENIED, rarely ERROR_SHARING_VIOLATION, and nothing more), and
// COM ports have no owning group.
#include "platform/PortHolders.h"

#include <windows.h>

namespace quorin::platform {

OpenRefusal ClassifyOpenError(std::error_code reason) {
  if (reason.category() != std::system_category()) return OpenRefusal::Other;
  switch (reason.value()) {
    // A COM port is opened for exclusive use; "access denied" is what another holder causes.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return OpenRefusal::Busy;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
      return OpenRefusal::NoDevice;
    default:
      return OpenRefusal::Other;
  }
}

PortHolderList HoldersOf(const std::string&) { return {}; }

DeviceGroup GroupOf(const std::string&) { return {}; }

}  // namespace quorin::platform
