#include "iap/Frames.h"

#include "pack/Checksums.h"

namespace quorin {
namespace {

// The value's bits [lowBit, lowBit + width) as a right-aligned byte.
std::uint8_t Group(std::uint32_t value, unsigned lowBit, unsigned width) {
  return static_cast<std::uint8_t>((value >> lowBit) & ((1u << width) - 1u));
}

// A 32-bit field as the five groups bits 31-28, 27-21, 20-14, 13-7, 6-0.
void PutSevenBitGroups(std::uint8_t* out, std::uint32_t value) {
  out[0] = Group(value, 28, 4);
  out[1] = Group(value, 21, 7);
  out[2] = Group(value, 14, 7);
  out[3] = Group(value, 7, 7);
  out[4] = Group(value, 0, 7);
}

void PutLittleEndian32(std::uint8_t* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

constexpr std::uint8_t kRestartLead = 0xC9;
constexpr std::uint8_t kKindSoftwareAndSettings = 0x76;  // 'v'
constexpr std::uint8_t kKindSoftwareOnly = 0x77;         // 'w'
constexpr std::size_t kCrcCoveredBytes = 18;

}  // namespace

RestartFrame BuildRestartFrame(const PackHeader& header) {
  RestartFrame f{};
  f[0] = kRestartLead;
  f[1] = header.UpdateKind() == kUpdateKindSoftwareAndSettings ? kKindSoftwareAndSettings
                                                                : kKindSoftwareOnly;
  PutSevenBitGroups(&f[2], header.DataLength());
  PutSevenBitGroups(&f[7], header.DataSum());
  f[12] = Group(header.WireKey(), 4, 4);
  f[13] = Group(header.WireKey(), 0, 4);
  f[14] = 0x01;
  f[15] = Group(header.Version(), 14, 2);
  f[16] = Group(header.Version(), 7, 7);
  f[17] = Group(header.Version(), 0, 7);
  const auto crc = RestartCrcBytes(Crc16Xmodem(f.data(), kCrcCoveredBytes));
  f[18] = crc[0];
  f[19] = crc[1];
  f[20] = crc[2];
  return f;
}

std::array<std::uint8_t, 3> RestartCrcBytes(std::uint16_t crc) {
  return {static_cast<std::uint8_t>(crc >> 9), static_cast<std::uint8_t>((crc >> 2) & 0x7F),
          static_cast<std::uint8_t>((crc & 3) + 0x80)};
}

RestartFrame MaskRestartFrame(const RestartFrame& plain) {
  RestartFrame masked{};
  for (std::size_t i = 0; i < plain.size(); ++i) {
    masked[i] = static_cast<std::uint8_t>(plain[i] ^ kRestartMask);
  }
  return masked;
}

HeaderFrame BuildHeaderFrame(const PackHeader& header, int baudIndex) {
  HeaderFrame f{};
  f[0] = 0xFF;
  f[1] = 0xFF;
  PutLittleEndian32(&f[2], header.DataLength());
  PutLittleEndian32(&f[6], header.DataSum());
  f[10] = header.WireKey();
  f[11] = static_cast<std::uint8_t>(baudIndex & 0xFF);
  return f;
}

std::uint32_t DataBlockCount(std::uint32_t dataLength) {
  return dataLength / kDataBlockSize + (dataLength % kDataBlockSize != 0 ? 1u : 0u);
}

bool DataBlocksFitImage(std::uint32_t dataLength) {
  const std::uint64_t end =
      kFirmwareOffset + static_cast<std::uint64_t>(DataBlockCount(dataLength)) * kDataBlockSize;
  return end <= kPackImageSize;
}

std::optional<DataBlock> BuildDataBlock(const PackRecords& pack, std::uint32_t index) {
  const std::uint64_t start = kFirmwareOffset + static_cast<std::uint64_t>(index) * kDataBlockSize;
  if (start + kDataBlockSize > pack.PackBuffer.size()) return std::nullopt;
  const std::uint8_t key = pack.Header.WireKey();
  DataBlock block{};
  for (std::size_t j = 0; j < kDataBlockSize; ++j) {
    block[j] = static_cast<std::uint8_t>(pack.PackBuffer[start + j] ^ key);
  }
  return block;
}

std::int32_t LoaderBaudRate(int baudIndex) {
  switch (baudIndex) {
    case 1: return 57600;
    case 2: return 115200;
    default: return 38400;
  }
}

std::int32_t BlockPacingFor(int baudIndex) {
  switch (baudIndex) {
    case 1: return 150;
    case 2: return 50;
    default: return 300;
  }
}

}  // namespace quorin
