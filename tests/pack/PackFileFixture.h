#pragma once
// What the pack loading tests share: a scratch folder with packs written into it.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pack/PackWriter.h"
#include "pack/UpdatePack.h"
#include "tests/pack/TestFiles.h"
#include "tests/pack/TestPacks.h"

namespace quorin {

class PackFileFixture : public ::testing::Test {
 protected:
  std::string WritePack(const std::string& name, std::size_t firmwareSize, std::uint32_t seed) {
    firmware_ = testing::RandomFirmware(firmwareSize, seed);
    image_ = BuildPackImage(firmware_, testing::FixedFields());
    const std::string path = dir_.File(name);
    testing::WriteImage(path, *image_);
    return path;
  }

  testing::TempDir dir_;
  std::vector<std::uint8_t> firmware_;
  std::unique_ptr<PackImage> image_;
  std::unique_ptr<PackRecords> records_ = std::make_unique<PackRecords>();
};

}  // namespace quorin
