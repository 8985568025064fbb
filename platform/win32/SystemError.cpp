#include "platform/SystemError.h"

#include <windows.h>

namespace quorin::platform {

std::error_code LastSystemError() {
  return {static_cast<int>(::GetLastError()), std::system_category()};
}

}  // namespace quorin::platform
