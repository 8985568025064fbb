// quorin-iap-cli info, run as a separate process on packs written into a scratch folder.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "pack/PackWriter.h"
#include "pack/UpdatePack.h"
#include "tests/cli/CliRunner.h"
#include "tests/pack/TestFiles.h"
#include "tests/pack/TestPacks.h"

namespace quorin {
namespace {

using testing::CliResult;
using testing::FixedFields;
using testing::RunCli;
using testing::TempDir;
using testing::WriteFile;
using testing::WriteImage;

// Firmware of 0..99 repeated: its ByteSum32 is easy to state.
std::vector<std::uint8_t> CountingFirmware(std::size_t size) {
  std::vector<std::uint8_t> firmware(size);
  for (std::size_t i = 0; i < size; ++i) firmware[i] = static_cast<std::uint8_t>(i % 100);
  return firmware;
}

// 1000 bytes of 0..99 ten times: 10 * 4950.
constexpr const char* kGoodLines =
    "file: good.Pack\n"
    "version: 6400\n"
    "target: 20002\n"
    "kind: Update software only\n"
    "data-length: 1000\n"
    "data-sum: 49500\n"
    "wire-key: 0x5A\n";

std::unique_ptr<PackImage> GoodImage(const PackFields& fields = FixedFields()) {
  return BuildPackImage(CountingFirmware(1000), fields);
}

std::string HeaderCrcLine(const PackFields& fields) {
  const PackHeader header = BuildPackHeader(CountingFirmware(1000), fields, *fields.WireKey);
  char line[32];
  std::snprintf(line, sizeof line, "header-crc: 0x%04X\n", header.HeaderCrc());
  return line;
}

struct InfoCase {
  const char* name;
  // Writes the file to look at into the folder and returns the argument naming it.
  std::function<std::string(const TempDir&)> make;
  int exitCode;
  std::string out;
  std::string err;
};

const InfoCase kInfoCases[] = {
    {"valid",
     [](const TempDir& d) {
       WriteImage(d.File("good.Pack"), *GoodImage());
       return d.File("good.Pack");
     },
     0, kGoodLines + HeaderCrcLine(FixedFields()), ""},
    {"relative_path_shows_the_name",
     [](const TempDir& d) {
       std::filesystem::create_directory(d.Path() / "sub");
       WriteImage(d.File("sub/good.Pack"), *GoodImage());
       return std::string("sub/good.Pack");
     },
     0, kGoodLines + HeaderCrcLine(FixedFields()), ""},
    {"broken_header_crc",
     [](const TempDir& d) {
       auto image = GoodImage();
       (*image)[3] ^= 0x20;
       WriteImage(d.File("crc.Pack"), *image);
       return d.File("crc.Pack");
     },
     1, "",
     "Pack file was briken\n  The header checksum does not match: the file is not a pack, or a "
     "damaged one.\n"},
    {"broken_sum",
     [](const TempDir& d) {
       auto image = GoodImage();
       (*image)[kFirmwareOffset + 999] ^= 0x01;
       WriteImage(d.File("sum.Pack"), *image);
       return d.File("sum.Pack");
     },
     1, "",
     "Pack file was briken\n  The firmware sum does not match: the firmware in the pack is "
     "damaged.\n"},
    {"length_past_the_last_whole_block",
     [](const TempDir& d) {
       const auto firmware = CountingFirmware(kMaxDataLength);
       auto image = BuildPackImage(firmware, FixedFields());
       PackHeader header = BuildPackHeader(firmware, FixedFields(), 0x5A);
       header.SetDataLength(kMaxDataLength + 1);
       SealPackHeader(header);
       EncodePackImage(*image, header, firmware, *FixedFields().HeaderKeyBytes);
       WriteImage(d.File("long.Pack"), *image);
       return d.File("long.Pack");
     },
     1, "",
     "Pack file was briken\n  The header gives a firmware length of 131025 bytes, beyond what a "
     "pack can hold (131024 bytes).\n"},
    {"foreign_target",
     [](const TempDir& d) {
       PackFields fields = FixedFields();
       fields.TargetCode = 65536 + 20002;
       fields.UpdateKind = 0xAA;
       fields.Version = 40000;
       WriteImage(d.File("foreign.Pack"), *GoodImage(fields));
       return d.File("foreign.Pack");
     },
     0,
     [] {
       PackFields fields = FixedFields();
       fields.TargetCode = 65536 + 20002;
       fields.UpdateKind = 0xAA;
       fields.Version = 40000;
       return std::string(
                  "file: foreign.Pack\nversion: 40000\ntarget: 85538\n"
                  "kind: Update software + settings\ndata-length: 1000\n"
                  "data-sum: 49500\nwire-key: 0x5A\n") +
              HeaderCrcLine(fields);
     }(),
     "固件包错误\n"},
    {"all_zero_file_loads_but_is_foreign",
     [](const TempDir& d) {
       WriteFile(d.File("zero.Pack"), std::vector<std::uint8_t>(kPackImageSize, 0));
       return d.File("zero.Pack");
     },
     0,
     "file: zero.Pack\nversion: 0\ntarget: 0\nkind: Update software only\ndata-length: 0\n"
     "data-sum: 0\nwire-key: 0x00\nheader-crc: 0x0000\n",
     "固件包错误\n"},
    {"short_file",
     [](const TempDir& d) {
       const auto image = GoodImage();
       WriteFile(d.File("short.Pack"), std::span<const std::uint8_t>(*image).first(131071));
       return d.File("short.Pack");
     },
     2, "", "Read beyond end of file.\n  The file is shorter than a pack, which is 131072 bytes long.\n"},
    {"empty_file",
     [](const TempDir& d) {
       WriteFile(d.File("empty.Pack"), "");
       return d.File("empty.Pack");
     },
     2, "", "Read beyond end of file.\n  The file is shorter than a pack, which is 131072 bytes long.\n"},
    {"missing_file", [](const TempDir& d) { return d.File("missing.Pack"); }, 2, "",
     "File not found.\n  There is no file of that name.\n"},
    {"missing_folder", [](const TempDir& d) { return d.File("gone/missing.Pack"); }, 2, "",
     "Invalid filename.\n  A folder named in the path does not exist.\n"},
    {"folder", [](const TempDir& d) { return d.Path().string(); }, 2, "",
     "File access denied.\n  The name is a folder, not a pack file.\n"},
};

class CliInfo : public ::testing::TestWithParam<InfoCase> {};

TEST_P(CliInfo, PrintsTheFieldsOrTheProblem) {
  const InfoCase& c = GetParam();
  TempDir dir;
  const std::string pack = c.make(dir);
  const CliResult result = RunCli({"info", pack}, dir);
  EXPECT_EQ(result.exitCode, c.exitCode);
  EXPECT_EQ(result.out, c.out);
  EXPECT_EQ(result.err, c.err);
}

INSTANTIATE_TEST_SUITE_P(Packs, CliInfo, ::testing::ValuesIn(kInfoCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CliInfoJson, PrintsOneObjectWithTheSameKeys) {
  TempDir dir;
  WriteImage(dir.File("good.Pack"), *GoodImage());
  const CliResult result = RunCli({"info", dir.File("good.Pack"), "--json"}, dir);
  EXPECT_EQ(result.exitCode, 0);
  const std::string crc = HeaderCrcLine(FixedFields()).substr(12, 6);
  EXPECT_EQ(result.out,
            "{\"file\": \"good.Pack\", \"version\": 6400, \"target\": 20002, "
            "\"kind\": \"Update software only\", \"data-length\": 1000, \"data-sum\": 49500, "
            "\"wire-key\": \"0x5A\", \"header-crc\": \"" +
                crc + "\"}\n");
  EXPECT_EQ(result.err, "");
}

// A pack that cannot be shown still gives one JSON object: the exit code, the text and its detail.
struct JsonErrorCase {
  const char* name;
  std::function<std::string(const TempDir&)> make;
  int exitCode;
  std::string out;
};

class CliInfoJsonError : public ::testing::TestWithParam<JsonErrorCase> {};

TEST_P(CliInfoJsonError, PrintsOneObjectWithTheError) {
  TempDir dir;
  const CliResult result = RunCli({"info", "--json", GetParam().make(dir)}, dir);
  EXPECT_EQ(result.exitCode, GetParam().exitCode);
  EXPECT_EQ(result.out, GetParam().out);
  EXPECT_NE(result.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CliInfoJsonError,
    ::testing::Values(
        JsonErrorCase{"broken_pack",
                      [](const TempDir& d) {
                        auto image = GoodImage();
                        (*image)[0] ^= 1;
                        WriteImage(d.File("bad.Pack"), *image);
                        return d.File("bad.Pack");
                      },
                      1,
                      "{\"file\": \"bad.Pack\", \"error\": {\"code\": 1, \"text\": \"Pack file was "
                      "briken\", \"detail\": \"The header checksum does not match: the file is not "
                      "a pack, or a damaged one.\"}}\n"},
        JsonErrorCase{"missing_file", [](const TempDir& d) { return d.File("none.Pack"); }, 2,
                      "{\"file\": \"none.Pack\", \"error\": {\"code\": 2, \"io-code\": 2, "
                      "\"text\": \"File not found.\", \"detail\": \"There is no file of that "
                      "name.\"}}\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  int exitCode;
};

class CliUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CliUsage, EndsWithTheUsageCode) {
  TempDir dir;
  const CliResult result = RunCli(GetParam().args, dir);
  EXPECT_EQ(result.exitCode, GetParam().exitCode) << result.err;
  if (GetParam().exitCode == 64) {
    EXPECT_NE(result.err, "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, CliUsage,
    ::testing::Values(UsageCase{"nothing", {}, 64}, UsageCase{"unknown_command", {"burn"}, 64},
                      UsageCase{"info_without_pack", {"info"}, 64},
                      UsageCase{"info_with_unknown_option", {"info", "x.Pack", "--yaml"}, 64},
                      UsageCase{"info_with_two_packs", {"info", "a.Pack", "b.Pack"}, 64},
                      UsageCase{"pack_without_create", {"pack"}, 64},
                      UsageCase{"doctor_with_empty_port", {"doctor", "--port", ""}, 64},
                      UsageCase{"doctor_with_empty_settings", {"doctor", "--settings="}, 64},
                      UsageCase{"doctor_watching_no_time", {"doctor", "--watch", "0"}, 64},
                      UsageCase{"doctor_with_a_pack", {"doctor", "x.Pack"}, 64},
                      UsageCase{"help", {"--help"}, 0},
                      UsageCase{"info_help", {"info", "--help"}, 0},
                      UsageCase{"info_empty", {"info", ""}, 64},
                      UsageCase{"pack_empty_out", {"pack", "create", "--firmware", "a.bin", "--version", "1", "-o", ""}, 64},
                      UsageCase{"pack_empty_in", {"pack", "create", "--firmware", "", "--version", "1", "-o", "a.Pack"}, 64},
                      UsageCase{"simulate_empty", {"simulate", "--link", ""}, 64},
                      UsageCase{"simulate_empty_out", {"simulate", "--firmware-out", ""}, 64}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliVersion, PrintsTheVersion) {
  TempDir dir;
  const CliResult result = RunCli({"--version"}, dir);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, std::string("quorin-iap-cli ") + QUORIN_VERSION + "\n");
}

}  // namespace
}  // namespace quorin
