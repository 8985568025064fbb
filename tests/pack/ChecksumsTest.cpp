#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pack/Checksums.h"

namespace quorin {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

// Bit-at-a-time CRC-16/XMODEM, written independently of the nibble table.
std::uint16_t BitwiseCrc16Xmodem(const std::vector<std::uint8_t>& data) {
  std::uint16_t crc = 0;
  for (const std::uint8_t byte : data) {
    crc ^= static_cast<std::uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
  }
  return crc;
}

struct CrcCase {
  const char* name;
  std::vector<std::uint8_t> data;
  std::uint16_t Crc;
};

class Crc16XmodemExamples : public ::testing::TestWithParam<CrcCase> {};

TEST_P(Crc16XmodemExamples, GivesThePublishedValue) {
  const CrcCase& c = GetParam();
  EXPECT_EQ(Crc16Xmodem(c.data.data(), static_cast<std::uint16_t>(c.data.size())), c.Crc);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, Crc16XmodemExamples,
    ::testing::Values(CrcCase{"abc", Bytes("abc"), 0x9DD6},
                      CrcCase{"check_value", Bytes("123456789"), 0x31C3},
                      CrcCase{"single_ff", {0xFF}, 0x1EF0}, CrcCase{"single_zero", {0x00}, 0x0000},
                      CrcCase{"thirty_zeros", std::vector<std::uint8_t>(30, 0), 0x0000},
                      CrcCase{"high_nibble_only", {0x10}, 0x1231},
                      CrcCase{"low_nibble_only", {0x01}, 0x1021}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Crc16Xmodem, LengthZeroReadsNothingAndGivesZero) {
  EXPECT_EQ(Crc16Xmodem(nullptr, 0), 0x0000);
}

TEST(Crc16Xmodem, ReadsExactlyLengthBytes) {
  const std::uint8_t data[] = {0xFF, 0x12, 0x34};
  EXPECT_EQ(Crc16Xmodem(data, 1), 0x1EF0);
  EXPECT_EQ(Crc16Xmodem(data, 2), BitwiseCrc16Xmodem({0xFF, 0x12}));
}

TEST(Crc16Xmodem, MatchesTheBitwiseDefinitionOnRandomInputs) {
  std::mt19937 random(12345);
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> data(1 + random() % 64);
    for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
    ASSERT_EQ(Crc16Xmodem(data.data(), static_cast<std::uint16_t>(data.size())),
              BitwiseCrc16Xmodem(data))
        << "round " << round;
  }
}

TEST(Crc16Xmodem, HandlesTheLongestLength) {
  std::vector<std::uint8_t> data(65535);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 3);
  EXPECT_EQ(Crc16Xmodem(data.data(), 65535), BitwiseCrc16Xmodem(data));
}

struct SumCase {
  const char* name;
  std::vector<std::uint8_t> data;
  std::uint32_t sum;
};

class ByteSum32Examples : public ::testing::TestWithParam<SumCase> {};

TEST_P(ByteSum32Examples, AddsTheUnsignedBytes) {
  const SumCase& c = GetParam();
  EXPECT_EQ(ByteSum32(c.data.data(), c.data.size()), c.sum);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, ByteSum32Examples,
    ::testing::Values(SumCase{"abc", Bytes("abc"), 294}, SumCase{"no_bytes", {}, 0},
                      SumCase{"bytes_above_127_are_unsigned", {0x80, 0xFF}, 0x17F},
                      SumCase{"whole_firmware_area_of_ff", std::vector<std::uint8_t>(131038, 0xFF),
                              33414690u}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ByteSum32, WrapsModulo2To32) {
  // 16843010 * 255 = 2^32 + 254.
  const std::vector<std::uint8_t> data(16843010, 0xFF);
  EXPECT_EQ(ByteSum32(data.data(), data.size()), 254u);
}

}  // namespace
}  // namespace quorin
