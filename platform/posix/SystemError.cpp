#include "platform/SystemError.h"

#include <cerrno>

namespace quorin::platform {

std::error_code LastSystemError() {
  return {errno, std::generic_category()};
}

}  // namespace quorin::platform
