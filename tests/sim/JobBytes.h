#pragma once
// What a programming tool sends, built here from the protocol's description and nothing else, so
// the simulated controller is checked against an independent reading of the wire format.
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "pack/Checksums.h"

namespace quorin::sim::test {

struct FirmwareJob {
  std::vector<std::uint8_t> Firmware;  // plain bytes, DataLength of them
  std::vector<std::uint8_t> tail;      // plain bytes that fill the last block
  std::uint8_t WireKey = 0x5A;
  std::uint32_t DataSum = 0;
  std::uint16_t Version = 6400;
  bool settingsToo = false;

  std::uint32_t DataLength() const { return static_cast<std::uint32_t>(Firmware.size()); }
};

inline FirmwareJob MakeJob(std::size_t length, std::uint32_t seed = 7, std::uint8_t key = 0x5A) {
  FirmwareJob job;
  std::mt19937 random(seed);
  job.Firmware.resize(length);
  for (auto& b : job.Firmware) b = static_cast<std::uint8_t>(random());
  job.tail.resize((16 - length % 16) % 16);
  for (auto& b : job.tail) b = static_cast<std::uint8_t>(random());
  job.WireKey = key;
  job.DataSum = ByteSum32(job.Firmware.data(), job.Firmware.size());
  return job;
}

inline std::vector<std::uint8_t> HeaderFrame(const FirmwareJob& job, std::uint8_t baudIndex = 0) {
  std::vector<std::uint8_t> frame = {0xFF, 0xFF};
  for (std::uint32_t v : {job.DataLength(), job.DataSum}) {
    for (int i = 0; i < 4; ++i) frame.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  frame.push_back(job.WireKey);
  frame.push_back(baudIndex);
  return frame;
}

// All data blocks, masked, in order (16 bytes each).
inline std::vector<std::uint8_t> DataBlocks(const FirmwareJob& job) {
  std::vector<std::uint8_t> data = job.Firmware;
  data.insert(data.end(), job.tail.begin(), job.tail.end());
  for (auto& b : data) b ^= job.WireKey;
  return data;
}

inline std::array<std::uint8_t, 21> RestartFrame(const FirmwareJob& job) {
  std::array<std::uint8_t, 21> b{};
  const auto groups = [&b](std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>((v >> 28) & 0x0F);
    b[at + 1] = static_cast<std::uint8_t>((v >> 21) & 0x7F);
    b[at + 2] = static_cast<std::uint8_t>((v >> 14) & 0x7F);
    b[at + 3] = static_cast<std::uint8_t>((v >> 7) & 0x7F);
    b[at + 4] = static_cast<std::uint8_t>(v & 0x7F);
  };
  b[0] = 0xC9;
  b[1] = job.settingsToo ? 0x76 : 0x77;
  groups(2, job.DataLength());
  groups(7, job.DataSum);
  b[12] = static_cast<std::uint8_t>(job.WireKey >> 4);
  b[13] = static_cast<std::uint8_t>(job.WireKey & 0x0F);
  b[14] = 0x01;
  b[15] = static_cast<std::uint8_t>((job.Version >> 14) & 0x03);
  b[16] = static_cast<std::uint8_t>((job.Version >> 7) & 0x7F);
  b[17] = static_cast<std::uint8_t>(job.Version & 0x7F);
  const std::uint16_t crc = Crc16Xmodem(b.data(), 18);
  b[18] = static_cast<std::uint8_t>(crc >> 9);
  b[19] = static_cast<std::uint8_t>((crc >> 2) & 0x7F);
  b[20] = static_cast<std::uint8_t>(0x80 + (crc & 3));
  for (auto& x : b) x ^= 0x3B;
  return b;
}

}  // namespace quorin::sim::test
