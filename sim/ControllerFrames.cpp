#include "sim/ControllerFrames.h"

#include <cstdio>

#include "pack/Checksums.h"

namespace quorin::sim {
namespace {

// Width in bits of each of bytes 0..20 of the unmasked restart frame (0: a fixed value).
constexpr std::array<int, kRestartFrameSize> kFieldBits = {0, 0, 4, 7, 7, 7, 7, 4, 7, 7, 7,
                                                           7, 4, 4, 0, 2, 7, 7, 7, 7, 0};

std::uint32_t Groups(const std::array<std::uint8_t, kRestartFrameSize>& b, std::size_t first) {
  return (std::uint32_t{b[first]} << 28) | (std::uint32_t{b[first + 1]} << 21) |
         (std::uint32_t{b[first + 2]} << 14) | (std::uint32_t{b[first + 3]} << 7) |
         std::uint32_t{b[first + 4]};
}

std::uint32_t LittleEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

}  // namespace

std::string HexByte(std::uint8_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

RestartFrameFields DecodeRestartFrame(const std::array<std::uint8_t, kRestartFrameSize>& masked,
                                      std::vector<std::string>& problems) {
  std::array<std::uint8_t, kRestartFrameSize> b{};
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = masked[i] ^ kRestartMask;

  if (b[0] != kRestartFrameStart) problems.push_back("restart frame byte 0 is " + HexByte(b[0]));
  if (b[1] != 0x76 && b[1] != 0x77) {
    problems.push_back("restart frame kind letter is " + HexByte(b[1]));
  }
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (kFieldBits[i] != 0 && b[i] >= (1u << kFieldBits[i])) {
      problems.push_back("restart frame byte " + std::to_string(i) + " is " + HexByte(b[i]) +
                         ", wider than its " + std::to_string(kFieldBits[i]) + "-bit field");
    }
  }
  if (b[14] != 0x01) problems.push_back("restart frame byte 14 is " + HexByte(b[14]));
  if (b[20] < 0x80 || b[20] > 0x83) {
    problems.push_back("restart frame byte 20 is " + HexByte(b[20]));
  }

  RestartFrameFields fields;
  fields.KindLetter = b[1];
  fields.DataLength = Groups(b, 2);
  fields.DataSum = Groups(b, 7);
  fields.WireKey = static_cast<std::uint8_t>((b[12] << 4) | (b[13] & 0x0F));
  fields.Version = static_cast<std::uint16_t>((b[15] << 14) | (b[16] << 7) | b[17]);
  fields.Crc = static_cast<std::uint16_t>((b[18] << 9) | (b[19] << 2) | (b[20] & 0x03));
  fields.ComputedCrc = Crc16Xmodem(b.data(), 18);
  if (fields.Crc != fields.ComputedCrc) {
    problems.push_back("restart frame CRC " + std::to_string(fields.Crc) + " differs from " +
                       std::to_string(fields.ComputedCrc) + " computed over bytes 0 to 17");
  }
  return fields;
}

HeaderFrameFields DecodeHeaderFrame(const std::array<std::uint8_t, kHeaderFrameSize>& frame,
                                    std::uint8_t expectedBaudIndex, std::uint32_t capacity,
                                    std::vector<std::string>& problems) {
  if (frame[0] != 0xFF || frame[1] != 0xFF) {
    problems.push_back("header frame starts with " + HexByte(frame[0]) + " " + HexByte(frame[1]) +
                       " instead of 0xFF 0xFF");
  }
  HeaderFrameFields fields;
  fields.DataLength = LittleEndian32(&frame[2]);
  fields.DataSum = LittleEndian32(&frame[6]);
  fields.WireKey = frame[10];
  fields.BaudIndex = frame[11];
  if (fields.BaudIndex != expectedBaudIndex) {
    problems.push_back("header frame baud index is " + std::to_string(fields.BaudIndex) +
                       ", the loader listens at index " + std::to_string(expectedBaudIndex));
  }
  if (fields.DataLength > capacity) {
    problems.push_back("header frame DataLength " + std::to_string(fields.DataLength) +
                       " exceeds the loader's " + std::to_string(capacity) + " bytes");
  }
  return fields;
}

}  // namespace quorin::sim
