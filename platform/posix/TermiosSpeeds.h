#pragma once
// POSIX only: the termios speed constants of the pseudo-terminal's line and their baud rates.
#include <termios.h>

#include <cstdint>

namespace quorin::platform {

// Baud of a termios speed constant; 0 for an unknown one. Any thread.
std::uint32_t BaudOfSpeed(speed_t speed);
// termios speed constant of a baud rate; B0 for an unsupported one. Any thread.
speed_t SpeedOfBaud(std::uint32_t baud);

}  // namespace quorin::platform
