#pragma once
// The two frames the controller takes apart, read the way the controller reads them: the masked
// restart frame its running application accepts, and the loader's 12-byte header frame.
// Pure functions, any thread.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quorin::sim {

inline constexpr std::size_t kRestartFrameSize = 21;
inline constexpr std::uint8_t kRestartMask = 0x3B;
inline constexpr std::uint8_t kRestartFrameStart = 0xC9;  // byte 0 before masking
inline constexpr std::size_t kHeaderFrameSize = 12;

struct RestartFrameFields {
  std::uint8_t KindLetter = 0;  // 0x76 'v': software and settings; 0x77 'w': software only
  std::uint32_t DataLength = 0;
  std::uint32_t DataSum = 0;
  std::uint8_t WireKey = 0;
  std::uint16_t Version = 0;
  std::uint16_t Crc = 0;  // as carried in bytes 18..20
  std::uint16_t ComputedCrc = 0;
};

// Unmasks and decodes 21 received bytes. `problems` lists every way the frame breaks the format
// (empty for a valid frame); the fields are filled in either case.
RestartFrameFields DecodeRestartFrame(const std::array<std::uint8_t, kRestartFrameSize>& masked,
                                      std::vector<std::string>& problems);

struct HeaderFrameFields {
  std::uint32_t DataLength = 0;
  std::uint32_t DataSum = 0;
  std::uint8_t WireKey = 0;
  std::uint8_t BaudIndex = 0;
};

// Decodes the header frame (0xFF 0xFF, DataLength and DataSum least significant byte first,
// WireKey, baud index). `problems` lists format faults: a wrong start, a baud index other than
// `expectedBaudIndex`, a DataLength above `capacity`.
HeaderFrameFields DecodeHeaderFrame(const std::array<std::uint8_t, kHeaderFrameSize>& frame,
                                    std::uint8_t expectedBaudIndex, std::uint32_t capacity,
                                    std::vector<std::string>& problems);

// "0x3F" for 0x3F.
std::string HexByte(std::uint8_t value);

}  // namespace quorin::sim
