#pragma once
// The bytes the tool puts on the line: the restart frame for the controller's running application,
// the loader's header frame and the 16-byte data blocks. Pure functions: no I/O, any thread.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "pack/UpdatePack.h"

namespace quorin {

// Single bytes of the loader's dialogue.
inline constexpr std::uint8_t kIdentifyRequest = 0x02;  // sent; the loader echoes it ...
inline constexpr std::uint8_t kLoaderIdentity = 0xFD;   // ... and adds this byte
inline constexpr std::uint8_t kAck = 0x06;              // header / 1024 bytes accepted (also sent before the header)
inline constexpr std::uint8_t kProgramDone = 0x04;      // programming finished well

inline constexpr std::size_t kRestartFrameSize = 21;
inline constexpr std::size_t kHeaderFrameSize = 12;
inline constexpr std::size_t kDataBlockSize = 16;
inline constexpr std::uint32_t kAckGroupBytes = 1024;  // the loader acknowledges every 1024 bytes
inline constexpr std::uint8_t kRestartMask = 0x3B;     // XORed over all 21 restart-frame bytes
inline constexpr std::uint32_t kRestartBaudRate = 9600;

using RestartFrame = std::array<std::uint8_t, kRestartFrameSize>;
using HeaderFrame = std::array<std::uint8_t, kHeaderFrameSize>;
using DataBlock = std::array<std::uint8_t, kDataBlockSize>;

// The restart frame before masking: 0xC9, the kind letter ('v' for UpdateKind 0xAA, else 'w'),
// DataLength and DataSum in 4+7+7+7+7-bit groups, WireKey in two nibbles, 0x01, Version in
// 2+7+7-bit groups, then the CRC-16/XMODEM of bytes 0..17 as 7+7+2 bits (the last plus 0x80).
// Every group is right-aligned in its byte, so only bytes 0 and 20 have the top bit set.
RestartFrame BuildRestartFrame(const PackHeader& header);

// Bytes 18..20 of the restart frame for a given CRC: crc >> 9, (crc >> 2) & 0x7F, 0x80 + (crc & 3).
std::array<std::uint8_t, 3> RestartCrcBytes(std::uint16_t crc);

// Every byte XOR kRestartMask: what goes on the line. The plain frame is never sent.
RestartFrame MaskRestartFrame(const RestartFrame& plain);

// 0xFF 0xFF, DataLength (LSB first), DataSum (LSB first), WireKey, low byte of the baud index.
// Exactly 12 bytes; no check byte follows.
HeaderFrame BuildHeaderFrame(const PackHeader& header, int baudIndex);

// ceil(dataLength / 16): every block is 16 bytes, the last one too.
std::uint32_t DataBlockCount(std::uint32_t dataLength);

// True when every block of a firmware of `dataLength` bytes lies inside the 131072-byte image
// (34 + 16 * blocks <= 131072, i.e. dataLength <= 131024). A loaded pack always fits; the job checks
// anyway so that it can never read past the image.
bool DataBlocksFitImage(std::uint32_t dataLength);

// Block `index` (from 0): image bytes 34 + 16 * index .. + 15, each XOR WireKey. For the last block
// of a firmware that is not a multiple of 16 the tail carries the image bytes that follow the
// firmware. Empty when the block would reach past the image.
std::optional<DataBlock> BuildDataBlock(const PackRecords& pack, std::uint32_t index);

// The loader's line speed for a baud index: 1 -> 57600, 2 -> 115200, anything else -> 38400.
std::int32_t LoaderBaudRate(int baudIndex);

// BlockPacing for a baud index: 1 -> 150, 2 -> 50, anything else -> 300. The pause after each
// data block is 3 x BlockPacing microseconds.
std::int32_t BlockPacingFor(int baudIndex);

}  // namespace quorin
