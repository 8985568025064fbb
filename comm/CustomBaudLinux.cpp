// termios2 (TCSETS2 with BOTHER): the Linux way to a baud rate outside the Bnnn table.
// <asm/termbits.h> redefines what <termios.h> declares, so this file must not include it.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "comm/CustomBaud.h"

namespace quorin {

std::error_code SetCustomBaudRate(int fd, std::uint32_t baud) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return {errno, std::generic_category()};
  tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = baud;
  tio.c_ospeed = baud;
  if (ioctl(fd, TCSETS2, &tio) != 0) return {errno, std::generic_category()};
  return {};
}

std::error_code ReadBaudRate(int fd, std::uint32_t& baud) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return {errno, std::generic_category()};
  baud = tio.c_ospeed;
  return {};
}

}  // namespace quorin
