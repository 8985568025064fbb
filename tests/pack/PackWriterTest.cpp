// The pack writer: the loader's inverse, checked by writing packs and loading them back.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "pack/Checksums.h"
#include "pack/PackWriter.h"
#include "pack/UpdatePack.h"
#include "tests/pack/TestFiles.h"
#include "tests/pack/TestPacks.h"

namespace quorin {
namespace {

using testing::RandomFirmware;
using testing::TempDir;
using testing::WriteImage;

// Firmware lengths around the edges that matter (empty, block boundaries, the largest), and
// random ones in between.
std::size_t RandomLength(std::mt19937_64& random) {
  static constexpr std::size_t kEdges[] = {0,
                                           1,
                                           15,
                                           16,
                                           17,
                                           1023,
                                           1024,
                                           1025,
                                           32767,
                                           32768,
                                           65535,
                                           65536,
                                           65537,
                                           kMaxDataLength - 1,
                                           kMaxDataLength};
  if (random() % 4 == 0) return kEdges[random() % std::size(kEdges)];
  return random() % (kMaxDataLength + 1);
}

TEST(PackWriterRoundTrip, ThousandsOfRandomPacksLoadBackUnchanged) {
  TempDir dir;
  const std::string path = dir.File("round-trip.Pack");
  std::mt19937_64 random(20002);
  auto records = std::make_unique<PackRecords>();
  constexpr int kPacks = 2500;
  for (int round = 0; round < kPacks; ++round) {
    const std::size_t length = RandomLength(random);
    const auto firmware = RandomFirmware(length, static_cast<std::uint32_t>(random()));
    PackFields fields;
    fields.Version = static_cast<std::uint16_t>(random());
    fields.TargetCode = random() % 3 == 0 ? kOwnTargetCode : static_cast<std::uint32_t>(random());
    fields.UpdateKind =
        random() % 2 == 0 ? kUpdateKindSoftwareAndSettings : static_cast<std::uint8_t>(random());
    fields.RandomSeed = random();  // key bytes, wire key and filler drawn by the writer
    const auto image = BuildPackImage(firmware, fields);
    WriteImage(path, *image);

    ASSERT_TRUE(LoadUpdatePack(*records, path)) << "round " << round << ", length " << length;
    const PackHeader& h = records->Header;
    ASSERT_EQ(h.Version(), fields.Version) << "round " << round;
    ASSERT_EQ(h.TargetCode(), fields.TargetCode) << "round " << round;
    ASSERT_EQ(h.UpdateKind(), fields.UpdateKind) << "round " << round;
    ASSERT_EQ(h.DataLength(), length) << "round " << round;
    ASSERT_EQ(h.DataSum(), ByteSum32(firmware.data(), firmware.size())) << "round " << round;
    const auto loaded = records->FirmwareData();
    ASSERT_TRUE(std::equal(firmware.begin(), firmware.end(), loaded.begin())) << "round " << round;
    ASSERT_TRUE(std::equal(loaded.begin() + static_cast<std::ptrdiff_t>(length), loaded.end(),
                           image->begin() + static_cast<std::ptrdiff_t>(kFirmwareOffset + length)))
        << "round " << round;
  }
}

TEST(PackWriter, GivenChoicesAppearInTheImage) {
  PackFields fields;
  fields.WireKey = 0x3C;
  fields.HeaderKeyBytes = std::array<std::uint8_t, 2>{0xAB, 0xCD};
  fields.Filler = 0x00;
  const auto firmware = RandomFirmware(100, 1);
  const auto image = BuildPackImage(firmware, fields);
  EXPECT_EQ((*image)[32], 0xAB);
  EXPECT_EQ((*image)[33], 0xCD);
  EXPECT_TRUE(std::all_of(image->begin() + kFirmwareOffset + 100, image->end(),
                          [](std::uint8_t b) { return b == 0x00; }));
  auto records = std::make_unique<PackRecords>();
  records->PackBuffer = *image;
  ASSERT_EQ(DecodePackImage(*records), PackDecodeResult::Ok);
  EXPECT_EQ(records->Header.WireKey(), 0x3C);
  EXPECT_EQ(records->Header.TargetCode(), kOwnTargetCode) << "20002 unless told otherwise";
}

TEST(PackWriter, ScramblesHeaderAndFirmware) {
  PackFields fields;
  fields.HeaderKeyBytes = std::array<std::uint8_t, 2>{0x10, 0x01};  // header key 0x11
  fields.WireKey = 0x00;
  fields.RandomSeed = 7;
  const std::vector<std::uint8_t> firmware(64, 0x00);
  const auto image = BuildPackImage(firmware, fields);
  const PackHeader header = BuildPackHeader(firmware, fields, 0);
  EXPECT_EQ((*image)[19], header.Bytes[19] ^ 0x11);
  const auto payloadKey = static_cast<std::uint8_t>(header.Bytes[30] + header.Bytes[31]);
  EXPECT_EQ((*image)[kFirmwareOffset], payloadKey) << "zero firmware bytes show the key";
}

TEST(PackWriter, SameSeedGivesTheSameImageAndOthersDiffer) {
  const auto firmware = RandomFirmware(1000, 2);
  PackFields fields;
  fields.RandomSeed = 42;
  const auto a = BuildPackImage(firmware, fields);
  const auto b = BuildPackImage(firmware, fields);
  fields.RandomSeed = 43;
  const auto c = BuildPackImage(firmware, fields);
  EXPECT_EQ(*a, *b);
  EXPECT_NE(*a, *c);
}

TEST(PackWriter, RefusesFirmwareThatDoesNotFit) {
  const std::vector<std::uint8_t> fits(kMaxDataLength, 0x11);
  EXPECT_NO_THROW(BuildPackImage(fits, PackFields{}));
  const std::vector<std::uint8_t> tooLarge(kMaxDataLength + 1, 0x11);
  try {
    BuildPackImage(tooLarge, PackFields{});
    FAIL() << "firmware of 131025 bytes accepted";
  } catch (const FirmwareTooLarge& e) {
    EXPECT_EQ(e.Size(), kMaxDataLength + 1);
    EXPECT_EQ(std::string(e.what()),
              "the firmware holds 131025 bytes; a pack carries at most 131024 bytes of firmware");
  }
}

TEST(EncodePackImage, RefusesAPayloadPastTheImage) {
  auto image = std::make_unique<PackImage>();
  const std::vector<std::uint8_t> payload(kFirmwareCapacity + 1);
  EXPECT_THROW(EncodePackImage(*image, PackHeader{}, payload, {0, 0}), std::length_error);
}

}  // namespace
}  // namespace quorin
