#pragma once
// The line state of CommSettings expressed in termios (the mapping table is in SerialDevicePosix.cpp).
// Pure functions, no I/O: any thread. POSIX only.
#include <termios.h>

#include <cstdint>
#include <optional>

#include "comm/CommSettings.h"

namespace quorin {

// Overwrites in `tio` what the mapping names (raw mode, CLOCAL|CREAD, data bits, parity, stop
// bits, RTS/CTS, XON/XOFF and their characters, INPCK, VMIN=1/VTIME=0); every other field keeps
// the value it had. The speed is not touched (see StandardSpeed and CustomBaud.h).
void MapLineState(const CommSettings& settings, termios& tio);

// The speed constant for a rate of the standard table (B50 ... B4000000), or nothing.
std::optional<speed_t> StandardSpeed(std::uint32_t baud);

}  // namespace quorin
