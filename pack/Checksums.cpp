#include "pack/Checksums.h"

#include <array>

namespace quorin {
namespace {

// Entry i is the register after nibble i has been shifted in at the top of a zero register
// (the carry-less product of i and 0x1021).
constexpr std::array<std::uint16_t, 16> kCrc16XmodemNibbleTable = {
    0x0000, 0x1021, 0x2042, 0x3063, 0x4084, 0x50A5, 0x60C6, 0x70E7,
    0x8108, 0x9129, 0xA14A, 0xB16B, 0xC18C, 0xD1AD, 0xE1CE, 0xF1EF,
};

constexpr std::uint16_t ShiftNibbleIn(std::uint16_t crc, std::uint8_t nibble) {
  const unsigned index = ((crc >> 12) ^ nibble) & 0x0Fu;
  return static_cast<std::uint16_t>((crc << 4) ^ kCrc16XmodemNibbleTable[index]);
}

}  // namespace

std::uint16_t Crc16Xmodem(const std::uint8_t* data, std::uint16_t length) {
  std::uint16_t crc = 0;
  for (std::uint16_t i = 0; i < length; ++i) {
    crc = ShiftNibbleIn(crc, static_cast<std::uint8_t>(data[i] >> 4));
    crc = ShiftNibbleIn(crc, static_cast<std::uint8_t>(data[i] & 0x0F));
  }
  return crc;
}

std::uint32_t ByteSum32(const std::uint8_t* data, std::size_t length) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < length; ++i) sum += data[i];
  return sum;
}

}  // namespace quorin
