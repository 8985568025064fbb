#pragma once
// Packs for the tests, made with the pack writer.
#include <cstdint>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "pack/PackWriter.h"
#include "tests/pack/TestFiles.h"

namespace quorin::testing {

inline std::vector<std::uint8_t> RandomFirmware(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> firmware(size);
  for (auto& byte : firmware) byte = static_cast<std::uint8_t>(random());
  return firmware;
}

// A pack fields with every random choice fixed, so a test sees the same image every run.
inline PackFields FixedFields() {
  PackFields fields;
  fields.Version = 6400;
  fields.WireKey = 0x5A;
  fields.HeaderKeyBytes = std::array<std::uint8_t, 2>{0x31, 0x07};
  fields.Filler = 0xC3;
  fields.RandomSeed = 1;
  return fields;
}

// A good pack of 1000 bytes of fixed random firmware.
inline std::unique_ptr<PackImage> GoodPackImage() {
  return BuildPackImage(RandomFirmware(1000, 3), FixedFields());
}

inline void WriteImage(const std::string& path, const PackImage& image) {
  WriteFile(path, std::span<const std::uint8_t>(image));
}

}  // namespace quorin::testing
