// Decoding a pack image in memory: header fields, CRC and sum checks, what the records hold after.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "pack/Checksums.h"
#include "pack/PackWriter.h"
#include "pack/UpdatePack.h"
#include "tests/pack/TestPacks.h"

namespace quorin {
namespace {

using testing::FixedFields;
using testing::RandomFirmware;

TEST(PackHeaderFields, AreFormedFromUnsignedWordsHighWordFirst) {
  PackHeader header;
  header.Bytes[1] = 0x40;  // Version 0x9C40 = 40000
  header.Bytes[2] = 0x9C;
  header.Bytes[6] = 0x01;  // TargetCode high word 1 ...
  header.Bytes[9] = 0x22;  // ... low word 0x4E22 = 20002
  header.Bytes[10] = 0x4E;
  header.Bytes[19] = 0xAA;
  header.Bytes[21] = 0x00;  // DataLength high word 0 ...
  header.Bytes[23] = 0x77;  // WireKey between its two words
  header.Bytes[24] = 0x00;  // ... low word 0x8000
  header.Bytes[25] = 0x80;
  header.Bytes[26] = 0x12;  // DataSum bits 16-23
  header.Bytes[27] = 0x34;  // bits 24-31
  header.Bytes[28] = 0x56;  // bits 0-7
  header.Bytes[29] = 0x78;  // bits 8-15
  header.Bytes[30] = 0xCD;
  header.Bytes[31] = 0xAB;

  EXPECT_EQ(header.Version(), 40000);
  EXPECT_EQ(header.TargetCode(), 65536u + 20002u);
  EXPECT_NE(header.TargetCode(), kOwnTargetCode);
  EXPECT_EQ(header.UpdateKind(), 0xAA);
  EXPECT_EQ(header.DataLength(), 32768u);
  EXPECT_EQ(header.WireKey(), 0x77);
  EXPECT_EQ(header.DataSum(), 0x34127856u);
  EXPECT_EQ(header.HeaderCrc(), 0xABCD);
}

TEST(PackHeaderFields, SettersWriteTheSameBytesTheGettersRead) {
  PackHeader header;
  header.SetVersion(0xFFFF);
  header.SetTargetCode(0xFEDCBA98);
  header.SetDataLength(0x0001FFD0);
  header.SetDataSum(0x89ABCDEF);
  header.SetWireKey(0x11);
  EXPECT_EQ(header.Version(), 0xFFFF);
  EXPECT_EQ(header.TargetCode(), 0xFEDCBA98u);
  EXPECT_EQ(header.DataLength(), 0x0001FFD0u);
  EXPECT_EQ(header.DataSum(), 0x89ABCDEFu);
  EXPECT_EQ(header.WireKey(), 0x11);
  EXPECT_EQ(header.Bytes[6], 0xDC);
  EXPECT_EQ(header.Bytes[7], 0xFE);
  EXPECT_EQ(header.Bytes[8], 0x00);  // the byte between TargetCode's words is untouched
  EXPECT_EQ(header.Bytes[9], 0x98);
  EXPECT_EQ(header.Bytes[10], 0xBA);
}

// What the firmware area holds after a decode.
enum class Firmware { Unscrambled, AsRead };

struct DecodeCase {
  const char* name;
  // Fills the firmware the pack should carry (`payload`) and builds the image.
  std::function<std::unique_ptr<PackImage>(std::vector<std::uint8_t>& payload)> make;
  PackDecodeResult result;
  Firmware Carried;
};

// A pack whose header is `edit`ed after it was built from `firmware`, then sealed again unless
// the edit is meant to break the CRC.
std::unique_ptr<PackImage> EditedPack(const std::vector<std::uint8_t>& firmware,
                                      const std::function<void(PackHeader&)>& edit,
                                      bool reseal = true) {
  const PackFields fields = FixedFields();
  // The writer refuses overlong firmware, so an overlong pack starts from a shorter one.
  const auto fitting = std::span<const std::uint8_t>(firmware).first(
      std::min<std::size_t>(firmware.size(), kMaxDataLength));
  auto image = BuildPackImage(fitting, fields);
  PackHeader header = BuildPackHeader(fitting, fields, *fields.WireKey);
  edit(header);
  if (reseal) SealPackHeader(header);
  EncodePackImage(*image, header, firmware, *fields.HeaderKeyBytes);
  return image;
}

std::unique_ptr<PackImage> GoodPack(std::vector<std::uint8_t>& payload, std::size_t size) {
  payload = RandomFirmware(size, static_cast<std::uint32_t>(size));
  return BuildPackImage(payload, FixedFields());
}

const DecodeCase kDecodeCases[] = {
    {"good_pack", [](auto& p) { return GoodPack(p, 1000); }, PackDecodeResult::Ok,
     Firmware::Unscrambled},
    {"longest_firmware", [](auto& p) { return GoodPack(p, kMaxDataLength); }, PackDecodeResult::Ok,
     Firmware::Unscrambled},
    {"one_byte_firmware", [](auto& p) { return GoodPack(p, 1); }, PackDecodeResult::Ok,
     Firmware::Unscrambled},
    {"empty_firmware_with_sum_zero", [](auto& p) { return GoodPack(p, 0); }, PackDecodeResult::Ok,
     Firmware::Unscrambled},
    {"empty_firmware_with_sum_one",
     [](auto& p) {
       p.clear();
       return EditedPack(p, [](PackHeader& h) { h.SetDataSum(1); });
     },
     PackDecodeResult::SumMismatch, Firmware::Unscrambled},
    {"header_key_bytes_carry_dropped",
     [](auto& p) {
       p = RandomFirmware(300, 3);
       PackFields fields = FixedFields();
       fields.HeaderKeyBytes = std::array<std::uint8_t, 2>{0xF0, 0x25};  // 0x115 -> key 0x15
       return BuildPackImage(p, fields);
     },
     PackDecodeResult::Ok, Firmware::Unscrambled},
    {"payload_key_carry_dropped",
     [](auto& p) {
       p = RandomFirmware(300, 4);
       PackFields fields = FixedFields();
       // Find a version whose header CRC bytes add up past 255.
       for (fields.Version = 0;; ++fields.Version) {
         const PackHeader h = BuildPackHeader(p, fields, *fields.WireKey);
         if (h.Bytes[30] + h.Bytes[31] >= 256) break;
       }
       return BuildPackImage(p, fields);
     },
     PackDecodeResult::Ok, Firmware::Unscrambled},
    {"header_byte_damaged",
     [](auto& p) {
       auto image = GoodPack(p, 500);
       (*image)[0] ^= 0x01;  // an uninterpreted byte, still covered by the CRC
       return image;
     },
     PackDecodeResult::HeaderCrcMismatch, Firmware::AsRead},
    {"header_crc_high_byte_differs",
     [](auto& p) {
       p = RandomFirmware(500, 5);
       return EditedPack(
           p, [](PackHeader& h) { h.Bytes[31] ^= 0x01; }, false);
     },
     PackDecodeResult::HeaderCrcMismatch, Firmware::AsRead},
    {"header_crc_low_byte_differs",
     [](auto& p) {
       p = RandomFirmware(500, 6);
       return EditedPack(
           p, [](PackHeader& h) { h.Bytes[30] ^= 0x80; }, false);
     },
     PackDecodeResult::HeaderCrcMismatch, Firmware::AsRead},
    {"key_byte_damaged",
     [](auto& p) {
       auto image = GoodPack(p, 500);
       (*image)[33] ^= 0x01;  // the whole header unscrambles with the wrong key
       return image;
     },
     PackDecodeResult::HeaderCrcMismatch, Firmware::AsRead},
    {"firmware_byte_damaged",
     [](auto& p) {
       auto image = GoodPack(p, 500);
       (*image)[kFirmwareOffset + 10] ^= 0x04;
       p[10] ^= 0x04;  // the loader still unscrambles it, damaged
       return image;
     },
     PackDecodeResult::SumMismatch, Firmware::Unscrambled},
    {"sum_matches_in_low_word_only",
     [](auto& p) {
       p = RandomFirmware(700, 7);
       return EditedPack(p, [](PackHeader& h) { h.SetDataSum(h.DataSum() + 0x10000); });
     },
     PackDecodeResult::SumMismatch, Firmware::Unscrambled},
    {"length_just_too_long_for_whole_blocks",
     [](auto& p) {
       p = RandomFirmware(kMaxDataLength + 1, 8);
       return EditedPack(p, [](PackHeader& h) { h.SetDataLength(kMaxDataLength + 1); });
     },
     PackDecodeResult::DataTooLong, Firmware::AsRead},
    {"length_of_the_whole_firmware_area",
     [](auto& p) {
       p = RandomFirmware(kFirmwareCapacity, 9);
       return EditedPack(p, [](PackHeader& h) { h.SetDataLength(kFirmwareCapacity); });
     },
     PackDecodeResult::DataTooLong, Firmware::AsRead},
    {"length_far_past_the_image",
     [](auto& p) {
       p = RandomFirmware(64, 10);
       return EditedPack(p, [](PackHeader& h) { h.SetDataLength(0xFFFFFFFF); });
     },
     PackDecodeResult::DataTooLong, Firmware::AsRead},
    {"all_zero_image",
     [](auto& p) {
       p.clear();
       return std::make_unique<PackImage>();
     },
     PackDecodeResult::Ok, Firmware::Unscrambled},
};

class DecodePackImageCases : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodePackImageCases, ReportsTheOutcomeAndLeavesTheFirmwareAsDescribed) {
  const DecodeCase& c = GetParam();
  std::vector<std::uint8_t> payload;
  const auto image = c.make(payload);
  auto records = std::make_unique<PackRecords>();
  records->PackBuffer = *image;

  EXPECT_EQ(DecodePackImage(*records), c.result);

  const auto header = std::span<const std::uint8_t>(image->data(), kPackHeaderSize);
  EXPECT_TRUE(std::equal(header.begin(), header.end(), records->PackBuffer.begin()))
      << "the scrambled header in the image is kept";
  const auto firmware = records->FirmwareData();
  if (c.Carried == Firmware::Unscrambled) {
    ASSERT_LE(payload.size(), firmware.size());
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), firmware.begin()));
    EXPECT_EQ(records->Header.DataLength(), payload.size());
  }
  const std::size_t untouchedFrom = c.Carried == Firmware::Unscrambled ? payload.size() : 0;
  EXPECT_TRUE(
      std::equal(firmware.begin() + static_cast<std::ptrdiff_t>(untouchedFrom), firmware.end(),
                 image->begin() + static_cast<std::ptrdiff_t>(kFirmwareOffset + untouchedFrom)))
      << "bytes past the unscrambled firmware keep their values from the file";
}

INSTANTIATE_TEST_SUITE_P(Packs, DecodePackImageCases, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct FieldCase {
  const char* name;
  std::function<void(PackFields&)> edit;
  std::function<void(const PackHeader&)> check;
};

class DecodedHeaderFields : public ::testing::TestWithParam<FieldCase> {};

TEST_P(DecodedHeaderFields, ReadBackAsWritten) {
  PackFields fields = FixedFields();
  GetParam().edit(fields);
  const auto firmware = RandomFirmware(32768, 11);
  auto records = std::make_unique<PackRecords>();
  records->PackBuffer = *BuildPackImage(firmware, fields);
  ASSERT_EQ(DecodePackImage(*records), PackDecodeResult::Ok);
  GetParam().check(records->Header);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, DecodedHeaderFields,
    ::testing::Values(
        FieldCase{"version_with_top_bit_is_unsigned", [](PackFields& s) { s.Version = 40000; },
                  [](const PackHeader& h) { EXPECT_EQ(h.Version(), 40000); }},
        FieldCase{"length_low_word_0x8000_is_32768", [](PackFields&) {},
                  [](const PackHeader& h) {
                    EXPECT_EQ(h.DataLength(), 32768u);
                    EXPECT_EQ(h.Bytes[25], 0x80);
                  }},
        FieldCase{"target_with_high_word_1_is_not_ours",
                  [](PackFields& s) { s.TargetCode = 65536 + 20002; },
                  [](const PackHeader& h) {
                    EXPECT_EQ(h.TargetCode(), 85538u);
                    EXPECT_EQ(h.Word(9), 20002);
                  }},
        FieldCase{"largest_target", [](PackFields& s) { s.TargetCode = 0xFFFFFFFF; },
                  [](const PackHeader& h) { EXPECT_EQ(h.TargetCode(), 0xFFFFFFFFu); }},
        FieldCase{"settings_kind", [](PackFields& s) { s.UpdateKind = 0xAA; },
                  [](const PackHeader& h) { EXPECT_EQ(h.UpdateKind(), 0xAA); }},
        FieldCase{"wire_key", [](PackFields& s) { s.WireKey = 0xE7; },
                  [](const PackHeader& h) { EXPECT_EQ(h.WireKey(), 0xE7); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecodePackImage, AllZeroImageFailsTheTargetRule) {
  auto records = std::make_unique<PackRecords>();
  ASSERT_EQ(DecodePackImage(*records), PackDecodeResult::Ok);
  EXPECT_EQ(records->Header.TargetCode(), 0u);
  EXPECT_EQ(records->Header.DataLength(), 0u);
  EXPECT_EQ(records->Header.DataSum(), 0u);
}

TEST(DecodePackImage, CrcMismatchStillShowsTheUnverifiedHeader) {
  std::vector<std::uint8_t> payload;
  auto image = GoodPack(payload, 100);
  (*image)[1] ^= 0xFF;  // Version's low byte
  auto records = std::make_unique<PackRecords>();
  records->PackBuffer = *image;
  ASSERT_EQ(DecodePackImage(*records), PackDecodeResult::HeaderCrcMismatch);
  EXPECT_EQ(records->Header.Version(), 6400 ^ 0xFF);
}

}  // namespace
}  // namespace quorin
