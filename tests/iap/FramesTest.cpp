#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "iap/Frames.h"

namespace quorin {
namespace {

PackHeader MakeHeader(std::uint16_t version, std::uint8_t kind, std::uint32_t length,
                      std::uint32_t sum, std::uint8_t key) {
  PackHeader h;
  h.SetVersion(version);
  h.SetUpdateKind(kind);
  h.SetDataLength(length);
  h.SetDataSum(sum);
  h.SetWireKey(key);
  return h;
}

std::vector<std::uint8_t> Slice(const auto& bytes, std::size_t from, std::size_t count) {
  return std::vector<std::uint8_t>(bytes.begin() + from, bytes.begin() + from + count);
}

// Frames worked out by hand (CRC-16/XMODEM computed bit by bit, independently of the table).
TEST(RestartFrame, FullFrameBeforeAndAfterMasking) {
  const PackHeader h = MakeHeader(6400, 0xAA, 61440, 0x12345678, 0x5A);
  const RestartFrame plain = BuildRestartFrame(h);
  const RestartFrame expectedPlain = {0xC9, 0x76, 0x00, 0x00, 0x03, 0x60, 0x00,
                                      0x01, 0x11, 0x51, 0x2C, 0x78, 0x05, 0x0A,
                                      0x01, 0x00, 0x32, 0x00, 0x3B, 0x3B, 0x83};
  EXPECT_EQ(plain, expectedPlain);
  const RestartFrame expectedMasked = {0xF2, 0x4D, 0x3B, 0x3B, 0x38, 0x5B, 0x3B,
                                       0x3A, 0x2A, 0x6A, 0x17, 0x43, 0x3E, 0x31,
                                       0x3A, 0x3B, 0x09, 0x3B, 0x00, 0x00, 0xB8};
  EXPECT_EQ(MaskRestartFrame(plain), expectedMasked);
}

TEST(RestartFrame, AllZeroHeaderCarriesKindLetterWAndZeroFields) {
  const RestartFrame expectedMasked = {0xF2, 0x4C, 0x3B, 0x3B, 0x3B, 0x3B, 0x3B,
                                       0x3B, 0x3B, 0x3B, 0x3B, 0x3B, 0x3B, 0x3B,
                                       0x3A, 0x3B, 0x3B, 0x3B, 0x1A, 0x4B, 0xB8};
  EXPECT_EQ(MaskRestartFrame(BuildRestartFrame(PackHeader{})), expectedMasked);
}

TEST(RestartFrame, WorkedFieldValues) {
  const RestartFrame f = BuildRestartFrame(MakeHeader(6400, 0, 61440, 0, 0));
  EXPECT_EQ(Slice(f, 2, 5), (std::vector<std::uint8_t>{0x00, 0x00, 0x03, 0x60, 0x00}));
  EXPECT_EQ(Slice(f, 15, 3), (std::vector<std::uint8_t>{0x00, 0x32, 0x00}));
  const auto crc = RestartCrcBytes(0x31C3);
  EXPECT_EQ(std::vector<std::uint8_t>(crc.begin(), crc.end()),
            (std::vector<std::uint8_t>{0x18, 0x70, 0x83}));
}

TEST(RestartFrame, CrcTailCoversAllFourLowBitValues) {
  for (std::uint16_t low = 0; low < 4; ++low) {
    const auto crc = RestartCrcBytes(static_cast<std::uint16_t>(0xFFFC | low));
    EXPECT_EQ(crc[0], 0x7F);
    EXPECT_EQ(crc[1], 0x7F);
    EXPECT_EQ(crc[2], 0x80 + low);
  }
}

struct KindCase {
  std::uint8_t updateKind;
  std::uint8_t letter;
};
class RestartKindLetter : public ::testing::TestWithParam<KindCase> {};
TEST_P(RestartKindLetter, FollowsUpdateKind) {
  EXPECT_EQ(BuildRestartFrame(MakeHeader(0, GetParam().updateKind, 0, 0, 0))[1], GetParam().letter);
}
INSTANTIATE_TEST_SUITE_P(Kinds, RestartKindLetter,
                         ::testing::Values(KindCase{0xAA, 0x76}, KindCase{0x00, 0x77},
                                           KindCase{0x55, 0x77}, KindCase{0xAB, 0x77}));

TEST(RestartFrame, OnlyFirstAndLastBytesHaveTheTopBitForExtremeFields) {
  const RestartFrame f = BuildRestartFrame(MakeHeader(0xFFFF, 0xAA, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF));
  EXPECT_EQ(f[0], 0xC9);
  for (std::size_t i = 1; i <= 19; ++i) EXPECT_LT(f[i], 0x80) << "byte " << i;
  EXPECT_GE(f[20], 0x80);
  EXPECT_LE(f[20], 0x83);
  EXPECT_EQ(Slice(f, 2, 5), (std::vector<std::uint8_t>{0x0F, 0x7F, 0x7F, 0x7F, 0x7F}));
  EXPECT_EQ(Slice(f, 12, 6), (std::vector<std::uint8_t>{0x0F, 0x0F, 0x01, 0x03, 0x7F, 0x7F}));
}

TEST(HeaderFrame, TwelveBytesLeastSignificantFirst) {
  const HeaderFrame f = BuildHeaderFrame(MakeHeader(1, 0, 61440, 0x12345678, 0x5A), 0);
  const HeaderFrame expected = {0xFF, 0xFF, 0x00, 0xF0, 0x00, 0x00,
                                0x78, 0x56, 0x34, 0x12, 0x5A, 0x00};
  EXPECT_EQ(f, expected);
  static_assert(std::tuple_size_v<HeaderFrame> == 12);
}

TEST(HeaderFrame, AllZeroHeaderAndLowByteOfBaudIndex) {
  HeaderFrame expected{};
  expected[0] = expected[1] = 0xFF;
  EXPECT_EQ(BuildHeaderFrame(PackHeader{}, 0), expected);
  expected[11] = 0x02;
  EXPECT_EQ(BuildHeaderFrame(PackHeader{}, 0x102), expected);
}

struct BlockCountCase {
  std::uint32_t length;
  std::uint32_t Blocks;
  bool fits;
};
class DataBlocks : public ::testing::TestWithParam<BlockCountCase> {};
TEST_P(DataBlocks, CountIsCeilingOfSixteenthsAndFitsImage) {
  EXPECT_EQ(DataBlockCount(GetParam().length), GetParam().Blocks);
  EXPECT_EQ(DataBlocksFitImage(GetParam().length), GetParam().fits);
}
INSTANTIATE_TEST_SUITE_P(
    Lengths, DataBlocks,
    ::testing::Values(BlockCountCase{0, 0, true}, BlockCountCase{1, 1, true},
                      BlockCountCase{15, 1, true}, BlockCountCase{16, 1, true},
                      BlockCountCase{17, 2, true}, BlockCountCase{1024, 64, true},
                      BlockCountCase{1040, 65, true}, BlockCountCase{131024, 8189, true},
                      BlockCountCase{131025, 8190, false}, BlockCountCase{131038, 8190, false},
                      BlockCountCase{0x80000000u, 0x8000000u, false},
                      BlockCountCase{0xFFFFFFFFu, 0x10000000u, false}));

class DataBlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pack_ = std::make_unique<PackRecords>();
    for (std::size_t i = 0; i < pack_->PackBuffer.size(); ++i) {
      pack_->PackBuffer[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    pack_->Header.SetWireKey(0xA5);
  }
  std::unique_ptr<PackRecords> pack_;
};

TEST_F(DataBlockTest, OneByteFirmwareSendsAWholeBlockWithThePackBytesAfterIt) {
  pack_->Header.SetDataLength(1);
  const auto block = BuildDataBlock(*pack_, 0);
  ASSERT_TRUE(block);
  for (std::size_t j = 0; j < 16; ++j) {
    EXPECT_EQ((*block)[j], pack_->PackBuffer[34 + j] ^ 0xA5) << "byte " << j;
  }
}

TEST_F(DataBlockTest, BlockIndexSelectsImageBytesFromOffset34) {
  const auto block = BuildDataBlock(*pack_, 100);
  ASSERT_TRUE(block);
  EXPECT_EQ((*block)[0], pack_->PackBuffer[34 + 1600] ^ 0xA5);
  EXPECT_EQ((*block)[15], pack_->PackBuffer[34 + 1615] ^ 0xA5);
}

TEST_F(DataBlockTest, LastBlockOfTheImageIsTheLastOneBuilt) {
  const auto last = BuildDataBlock(*pack_, 8188);
  ASSERT_TRUE(last);
  EXPECT_EQ((*last)[15], pack_->PackBuffer[34 + 8188 * 16 + 15] ^ 0xA5);
  EXPECT_FALSE(BuildDataBlock(*pack_, 8189));  // would read bytes 131058..131073
  EXPECT_FALSE(BuildDataBlock(*pack_, 0xFFFFFFFFu));
}

struct BaudCase {
  int index;
  std::int32_t Baud;
  std::int32_t pacing;
};
class BaudIndexChoices : public ::testing::TestWithParam<BaudCase> {};
TEST_P(BaudIndexChoices, RateAndPacing) {
  EXPECT_EQ(LoaderBaudRate(GetParam().index), GetParam().Baud);
  EXPECT_EQ(BlockPacingFor(GetParam().index), GetParam().pacing);
}
INSTANTIATE_TEST_SUITE_P(Indexes, BaudIndexChoices,
                         ::testing::Values(BaudCase{0, 38400, 300}, BaudCase{1, 57600, 150},
                                           BaudCase{2, 115200, 50}, BaudCase{3, 38400, 300},
                                           BaudCase{-1, 38400, 300}));

}  // namespace
}  // namespace quorin
