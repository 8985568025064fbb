#pragma once
// Baud rates outside the standard termios table. Kept apart from SerialDevicePosix.cpp because the
// kernel's termios2 header cannot share a source file with <termios.h>.
// POSIX only. Any thread; `fd` stays owned by the caller.
#include <cstdint>
#include <system_error>

namespace quorin {

// Sets input and output speed of the terminal `fd` to `baud` (any value the driver takes).
// Returns the system's error, or operation_not_supported where the platform has no such call.
std::error_code SetCustomBaudRate(int fd, std::uint32_t baud);

// Reads the output speed of `fd` as a number of bits per second (standard or not).
std::error_code ReadBaudRate(int fd, std::uint32_t& baud);

}  // namespace quorin
