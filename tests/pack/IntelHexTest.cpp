// Intel HEX parsing: the images of good files and the line named by every error.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "pack/IntelHex.h"

namespace quorin {
namespace {

// One record line with its checksum, e.g. Rec(0x00, 0x0100, {1, 2}) -> ":020100000102FA".
std::string Rec(unsigned type, unsigned offset, const std::vector<std::uint8_t>& data) {
  unsigned sum = static_cast<unsigned>(data.size()) + (offset >> 8) + (offset & 0xFF) + type;
  char field[16];
  std::snprintf(field, sizeof field, ":%02X%04X%02X", static_cast<unsigned>(data.size()), offset,
                type);
  std::string line = field;
  for (const std::uint8_t byte : data) {
    std::snprintf(field, sizeof field, "%02X", byte);
    line += field;
    sum += byte;
  }
  std::snprintf(field, sizeof field, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
  return line + field + "\n";
}

const std::string kEof = ":00000001FF\n";

HexImage Parse(const std::string& text, std::size_t max = 131024) {
  return ParseIntelHex(std::span<const std::uint8_t>(
                           reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                       max);
}

struct GoodCase {
  const char* name;
  std::string Text;
  std::uint32_t base;
  std::vector<std::uint8_t> Bytes;
};

class IntelHexGoodFiles : public ::testing::TestWithParam<GoodCase> {};

TEST_P(IntelHexGoodFiles, GiveTheirMemoryImage) {
  const GoodCase& c = GetParam();
  const HexImage image = Parse(c.Text);
  EXPECT_EQ(image.BaseAddress, c.base);
  EXPECT_EQ(image.Bytes, c.Bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, IntelHexGoodFiles,
    ::testing::Values(
        GoodCase{"published_example",
                 ":10010000214601360121470136007EFE09D2190140\n" + kEof,
                 0x0100,
                 {0x21, 0x46, 0x01, 0x36, 0x01, 0x21, 0x47, 0x01, 0x36, 0x00, 0x7E, 0xFE, 0x09,
                  0xD2, 0x19, 0x01}},
        GoodCase{
            "crlf_and_lower_case", ":0300000001abcd84\r\n:00000001ff\r\n", 0, {0x01, 0xAB, 0xCD}},
        GoodCase{"no_line_end_after_eof", Rec(0, 0, {7}) + ":00000001FF", 0, {7}},
        GoodCase{"gap_filled_with_ff",
                 Rec(0, 0x10, {1, 2}) + Rec(0, 0x14, {3}) + kEof,
                 0x10,
                 {1, 2, 0xFF, 0xFF, 3}},
        GoodCase{"records_out_of_order",
                 Rec(0, 0x12, {3, 4}) + Rec(0, 0x10, {1, 2}) + kEof,
                 0x10,
                 {1, 2, 3, 4}},
        GoodCase{"extended_linear_address",
                 Rec(4, 0, {0x08, 0x00}) + Rec(0, 0x4000, {0xAA, 0xBB}) + kEof,
                 0x08004000,
                 {0xAA, 0xBB}},
        GoodCase{"extended_segment_address",
                 Rec(2, 0, {0x10, 0x00}) + Rec(0, 0x0004, {0x5A}) + kEof,
                 0x10004,
                 {0x5A}},
        GoodCase{"data_across_a_64k_boundary",
                 Rec(4, 0, {0x00, 0x00}) + Rec(0, 0xFFFF, {1}) + Rec(4, 0, {0x00, 0x01}) +
                     Rec(0, 0x0000, {2}) + kEof,
                 0xFFFF,
                 {1, 2}},
        GoodCase{"start_address_and_blank_lines",
                 "\n" + Rec(5, 0, {0x08, 0x00, 0x01, 0x01}) + "\r\n" + Rec(0, 0, {9}) + kEof,
                 0,
                 {9}},
        GoodCase{"lines_after_eof_ignored", Rec(0, 0, {1}) + kEof + "garbage\n", 0, {1}},
        GoodCase{"only_eof", kEof, 0, {}},
        GoodCase{"empty_data_record", Rec(0, 0x500, {}) + Rec(0, 0, {4}) + kEof, 0, {4}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IntelHex, KeepsTheStartAddress) {
  const HexImage image = Parse(Rec(5, 0, {0x08, 0x00, 0x01, 0x01}) + kEof);
  ASSERT_TRUE(image.StartAddress.has_value());
  EXPECT_EQ(*image.StartAddress, 0x08000101u);
}

TEST(IntelHex, FillsTheWholeAllowedSpan) {
  const HexImage image = Parse(Rec(0, 0, {1}) + Rec(0, 0xFF, {2}) + kEof, 256);
  ASSERT_EQ(image.Bytes.size(), 256u);
  EXPECT_EQ(image.Bytes.front(), 1);
  EXPECT_EQ(image.Bytes.back(), 2);
}

struct BadCase {
  const char* name;
  std::string Text;
  std::size_t line;
  const char* problem;  // a part of the message
};

class IntelHexBadFiles : public ::testing::TestWithParam<BadCase> {};

TEST_P(IntelHexBadFiles, NameTheLine) {
  const BadCase& c = GetParam();
  try {
    Parse(c.Text, 256);
    FAIL() << "accepted";
  } catch (const IntelHexError& e) {
    EXPECT_EQ(e.Line(), c.line) << e.what();
    EXPECT_NE(e.Problem().find(c.problem), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).rfind("line " + std::to_string(c.line) + ": ", 0), 0u)
        << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, IntelHexBadFiles,
    ::testing::Values(
        BadCase{"bad_checksum", Rec(0, 0, {1}) + ":0300000001ABCD85\n" + kEof, 2,
                "bad record checksum 85, expected 84"},
        BadCase{"missing_colon", Rec(0, 0, {1}) + Rec(0, 1, {2}) + "0300000001ABCD84\n" + kEof, 3,
                "start with ':'"},
        BadCase{"not_hex", ":03000000G1ABCD84\n" + kEof, 1, "character 10 is not"},
        BadCase{"count_too_large", ":0400000001ABCD83\n" + kEof, 1, "says 4 data bytes"},
        BadCase{"odd_digits", ":0300000001ABCD841\n" + kEof, 1, "odd number"},
        BadCase{"too_short", ":0000\n" + kEof, 1, "too short"},
        BadCase{"unsupported_type_03", Rec(3, 0, {0, 0, 0, 0}) + kEof, 1, "type 03"},
        BadCase{"linear_address_wrong_size", Rec(4, 0, {0x08}) + kEof, 1, "type 04 record"},
        BadCase{"eof_with_data", Rec(0, 0, {1}) + Rec(1, 0, {0}), 2, "type 01 record"},
        BadCase{"overlap", Rec(0, 0x10, {1, 2, 3}) + Rec(0, 0x20, {5}) + Rec(0, 0x12, {4}) + kEof,
                3, "overlaps the data of line 1"},
        BadCase{"overlap_named_on_the_later_line",
                Rec(0, 0x12, {4}) + Rec(0, 0x10, {1, 2, 3}) + kEof, 2,
                "overlaps the data of line 1"},
        BadCase{"same_address_twice", Rec(0, 0x10, {1}) + Rec(0, 0x10, {1}) + kEof, 2, "overlaps"},
        BadCase{"span_too_large", Rec(0, 0, {1}) + Rec(0, 0x100, {2}) + kEof, 2,
                "more than the 256 allowed"},
        BadCase{"span_too_large_below", Rec(0, 0x1000, {1}) + Rec(0, 0x0EFF, {2}) + kEof, 2,
                "more than the 256 allowed"},
        BadCase{"far_apart_addresses",
                Rec(0, 0, {1}) + Rec(4, 0, {0x80, 0x00}) + Rec(0, 0, {2}) + kEof, 3,
                "more than the 256 allowed"},
        BadCase{"past_4_gib", Rec(4, 0, {0xFF, 0xFF}) + Rec(0, 0xFFFF, {1, 2}) + kEof, 2, "4 GiB"},
        BadCase{"no_eof", Rec(0, 0, {1}) + Rec(0, 1, {2}), 2, "end-of-file record"},
        BadCase{"empty_text", "", 1, "end-of-file record"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorin
