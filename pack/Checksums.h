#pragma once
// The two checksums of the update pack and of the restart frame. Pure functions, any thread.
#include <cstddef>
#include <cstdint>

namespace quorin {

// CRC-16/XMODEM (polynomial 0x1021, initial 0, no reflection, no final XOR), computed a nibble at a
// time with a 16-entry table. Reads exactly `length` bytes; a length of 0 reads nothing and gives 0.
std::uint16_t Crc16Xmodem(const std::uint8_t* data, std::uint16_t length);

// Sum of the bytes, each taken as 0..255, modulo 2^32. A length of 0 gives 0.
std::uint32_t ByteSum32(const std::uint8_t* data, std::size_t length);

}  // namespace quorin
