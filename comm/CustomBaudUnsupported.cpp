// Platforms without termios2: only the standard rates of the termios table can be set.
#include "comm/CustomBaud.h"

namespace quorin {

std::error_code SetCustomBaudRate(int, std::uint32_t) {
  return std::make_error_code(std::errc::operation_not_supported);
}

std::error_code ReadBaudRate(int, std::uint32_t&) {
  return std::make_error_code(std::errc::operation_not_supported);
}

}  // namespace quorin
