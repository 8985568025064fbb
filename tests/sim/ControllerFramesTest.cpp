#include <gtest/gtest.h>

#include "sim/ControllerFrames.h"
#include "tests/sim/JobBytes.h"

namespace quorin::sim {
namespace {

using test::FirmwareJob;
using test::MakeJob;

struct RestartCase {
  std::uint32_t length;
  std::uint32_t sum;
  std::uint8_t key;
  std::uint16_t Version;
  bool settingsToo;
};

class DecodeRestartFrameTest : public ::testing::TestWithParam<RestartCase> {};

TEST_P(DecodeRestartFrameTest, GivesBackEveryField) {
  FirmwareJob job;
  job.Firmware.resize(GetParam().length);
  job.DataSum = GetParam().sum;
  job.WireKey = GetParam().key;
  job.Version = GetParam().Version;
  job.settingsToo = GetParam().settingsToo;
  std::vector<std::string> problems;
  const RestartFrameFields fields = DecodeRestartFrame(test::RestartFrame(job), problems);
  EXPECT_TRUE(problems.empty()) << problems.front();
  EXPECT_EQ(fields.KindLetter, GetParam().settingsToo ? 0x76 : 0x77);
  EXPECT_EQ(fields.DataLength, GetParam().length);
  EXPECT_EQ(fields.DataSum, GetParam().sum);
  EXPECT_EQ(fields.WireKey, GetParam().key);
  EXPECT_EQ(fields.Version, GetParam().Version);
  EXPECT_EQ(fields.Crc, fields.ComputedCrc);
}

INSTANTIATE_TEST_SUITE_P(Table, DecodeRestartFrameTest,
                         ::testing::Values(RestartCase{0, 0, 0, 0, false},
                                           RestartCase{61440, 0x00F0A1B2, 0xA5, 6400, true},
                                           RestartCase{131024, 0xFFFFFFFF, 0xFF, 0xFFFF, false},
                                           RestartCase{1, 0x80000001, 0x10, 0x4000, true}));

TEST(DecodeRestartFrameTest, ReadsTheCrcFromItsThreeGroups) {
  // CRC 0x31C3 travels as 0x18 0x70 0x83 before masking.
  std::array<std::uint8_t, kRestartFrameSize> masked{};
  masked[18] = 0x18 ^ kRestartMask;
  masked[19] = 0x70 ^ kRestartMask;
  masked[20] = 0x83 ^ kRestartMask;
  std::vector<std::string> problems;
  EXPECT_EQ(DecodeRestartFrame(masked, problems).Crc, 0x31C3);
  EXPECT_FALSE(problems.empty());
}

struct Corruption {
  const char* name;
  std::size_t index;
  std::uint8_t plainValue;  // the unmasked byte put there
};

class RestartFrameCorruptionTest : public ::testing::TestWithParam<Corruption> {};

TEST_P(RestartFrameCorruptionTest, IsRefused) {
  std::array<std::uint8_t, kRestartFrameSize> frame = test::RestartFrame(MakeJob(4096));
  frame[GetParam().index] = GetParam().plainValue ^ kRestartMask;
  std::vector<std::string> problems;
  DecodeRestartFrame(frame, problems);
  EXPECT_FALSE(problems.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, RestartFrameCorruptionTest,
    ::testing::Values(Corruption{"start", 0, 0xC8}, Corruption{"kind_letter", 1, 0x78},
                      Corruption{"length_top_group_too_wide", 2, 0x10},
                      Corruption{"length_group_high_bit", 5, 0x80},
                      Corruption{"sum_top_group_too_wide", 7, 0x1F},
                      Corruption{"key_group_too_wide", 13, 0x10}, Corruption{"marker", 14, 0x02},
                      Corruption{"version_top_too_wide", 15, 0x04},
                      Corruption{"crc_high_group", 18, 0x7F}, Corruption{"crc_low_bits", 20, 0x84},
                      Corruption{"unmasked_end", 20, 0x03}, Corruption{"data_bit", 6, 0x7F}),
    [](const auto& info) { return std::string(info.param.name); });

struct HeaderCase {
  const char* name;
  std::array<std::uint8_t, kHeaderFrameSize> Bytes;
  std::size_t Problems;
};

class DecodeHeaderFrameTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(DecodeHeaderFrameTest, ChecksLayout) {
  std::vector<std::string> problems;
  const HeaderFrameFields fields = DecodeHeaderFrame(GetParam().Bytes, 0, 131024, problems);
  EXPECT_EQ(problems.size(), GetParam().Problems);
  const auto& b = GetParam().Bytes;
  EXPECT_EQ(fields.DataLength,
            b[2] | b[3] << 8 | b[4] << 16 | static_cast<std::uint32_t>(b[5]) << 24);
  EXPECT_EQ(fields.WireKey, b[10]);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DecodeHeaderFrameTest,
    ::testing::Values(
        HeaderCase{"good", {0xFF, 0xFF, 0x00, 0xF0, 0x00, 0x00, 1, 2, 3, 0, 0x5A, 0}, 0},
        HeaderCase{"no_pack", {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0},
        HeaderCase{"largest", {0xFF, 0xFF, 0xD0, 0xFF, 0x01, 0x00, 0, 0, 0, 0, 0, 0}, 0},
        HeaderCase{"too_large", {0xFF, 0xFF, 0xD1, 0xFF, 0x01, 0x00, 0, 0, 0, 0, 0, 0}, 1},
        HeaderCase{"bad_start", {0xFF, 0xFE, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1},
        HeaderCase{"baud_index", {0xFF, 0xFF, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 2}, 1},
        HeaderCase{"everything", {0x00, 0x00, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1}, 3}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorin::sim
