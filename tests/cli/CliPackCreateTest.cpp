// quorin-iap-cli pack create, checked by reading its packs back with the loader and with info.

#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

#include "pack/Checksums.h"
#include "pack/UpdatePack.h"
#include "tests/cli/CliRunner.h"
#include "tests/pack/TestFiles.h"
#include "tests/pack/TestPacks.h"

namespace quorin {
namespace {

using testing::CliResult;
using testing::RandomFirmware;
using testing::ReadText;
using testing::RunCli;
using testing::TempDir;
using testing::WriteFile;

class CliPackCreate : public ::testing::Test {
 protected:
  std::unique_ptr<PackRecords> Load(const std::string& name) {
    auto records = std::make_unique<PackRecords>();
    EXPECT_TRUE(LoadUpdatePack(*records, dir_.File(name))) << name;
    return records;
  }

  TempDir dir_;
};

TEST_F(CliPackCreate, BinFirmwareMakesAPackWithTheGivenFields) {
  const auto firmware = RandomFirmware(4321, 1);
  WriteFile(dir_.File("app.bin"), firmware);
  const CliResult result =
      RunCli({"pack", "create", "--firmware", "app.bin", "--version", "0x9C40", "--target", "85538",
              "--kind", "settings", "--wire-key", "231", "--header-key", "0xF0,0x20", "--filler",
              "0xEE", "-o", "app.Pack"},
             dir_);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");

  const auto records = Load("app.Pack");
  EXPECT_EQ(records->Header.Version(), 40000);
  EXPECT_EQ(records->Header.TargetCode(), 85538u);
  EXPECT_EQ(records->Header.UpdateKind(), 0xAA);
  EXPECT_EQ(records->Header.WireKey(), 231);
  EXPECT_EQ(records->Header.DataLength(), 4321u);
  EXPECT_EQ(records->PackBuffer[32], 0xF0);
  EXPECT_EQ(records->PackBuffer[33], 0x20);
  EXPECT_EQ(records->PackBuffer.back(), 0xEE);
  EXPECT_TRUE(std::equal(firmware.begin(), firmware.end(), records->FirmwareData().begin()));
}

TEST_F(CliPackCreate, DefaultsAreTargetAndSoftwareOnly) {
  WriteFile(dir_.File("app.bin"), RandomFirmware(16, 2));
  ASSERT_EQ(
      RunCli({"pack", "create", "--firmware", "app.bin", "--version", "7", "-o", "a.Pack"}, dir_)
          .exitCode,
      0);
  const auto records = Load("a.Pack");
  EXPECT_EQ(records->Header.TargetCode(), kOwnTargetCode);
  EXPECT_EQ(records->Header.UpdateKind(), 0x00);
  EXPECT_EQ(records->Header.Version(), 7);
}

TEST_F(CliPackCreate, HexFirmwareGivesItsImageAndInfoReadsThePackBack) {
  // 0x08000000: 01 02, a gap of two bytes, 05; then a start address and the end.
  WriteFile(dir_.File("app.HEX"),
            ":020000040800F2\n"
            ":020000000102FB\n"
            ":0100040005F6\n"
            ":0400000508000101ED\n"
            ":00000001FF\n");
  const CliResult created = RunCli({"pack", "create", "--firmware", "app.HEX", "--version", "12",
                                    "--wire-key", "0x00", "-o", "hex.Pack"},
                                   dir_);
  ASSERT_EQ(created.exitCode, 0) << created.err;
  const auto records = Load("hex.Pack");
  const std::vector<std::uint8_t> expected = {0x01, 0x02, 0xFF, 0xFF, 0x05};
  ASSERT_EQ(records->Header.DataLength(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), records->FirmwareData().begin()));

  const CliResult info = RunCli({"info", "hex.Pack"}, dir_);
  EXPECT_EQ(info.exitCode, 0);
  EXPECT_NE(info.out.find("version: 12\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("data-length: 5\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("data-sum: 518\n"), std::string::npos) << info.out;
}

TEST_F(CliPackCreate, RefusesToOverwriteUnlessForced) {
  WriteFile(dir_.File("app.bin"), RandomFirmware(100, 3));
  WriteFile(dir_.File("out.Pack"), "keep me");
  const CliResult refused =
      RunCli({"pack", "create", "--firmware", "app.bin", "--version", "1", "-o", "out.Pack"}, dir_);
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(refused.err.find("out.Pack already exists; pass --force"), std::string::npos)
      << refused.err;
  EXPECT_EQ(ReadText(dir_.File("out.Pack")), "keep me");

  const CliResult forced = RunCli(
      {"pack", "create", "--firmware", "app.bin", "--version", "1", "-o", "out.Pack", "--force"},
      dir_);
  EXPECT_EQ(forced.exitCode, 0) << forced.err;
  EXPECT_EQ(Load("out.Pack")->Header.DataLength(), 100u);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
    ++files;
  }
  EXPECT_EQ(files, 4u) << "app.bin, out.Pack and the captured output; no temporary left";
}

struct RefusalCase {
  const char* name;
  const char* fileName;
  std::string content;
  int exitCode;
  const char* message;  // a part of stderr
};

class CliPackCreateRefuses : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CliPackCreateRefuses, BadFirmwareAndWritesNothing) {
  const RefusalCase& c = GetParam();
  TempDir dir;
  WriteFile(dir.File(c.fileName), c.content);
  const CliResult result =
      RunCli({"pack", "create", "--firmware", c.fileName, "--version", "1", "-o", "out.Pack"}, dir);
  EXPECT_EQ(result.exitCode, c.exitCode);
  EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.Pack")));
}

INSTANTIATE_TEST_SUITE_P(
    Firmware, CliPackCreateRefuses,
    ::testing::Values(
        RefusalCase{"hex_bad_checksum", "bad.hex",
                    ":020000000102FB\n:0100040005F6\n:0100050006F0\n:00000001FF\n", 1,
                    "bad.hex line 3: bad record checksum F0, expected F4"},
        RefusalCase{"hex_without_end", "cut.hex", ":020000000102FB\n", 1, "cut.hex line 1:"},
        RefusalCase{"hex_overlap", "over.hex", ":020000000102FB\n:0100010005F9\n:00000001FF\n", 1,
                    "over.hex line 2: data at 0x00000001 overlaps the data of line 1"},
        RefusalCase{"hex_too_large", "big.hex",
                    ":0100000001FE\n:020000040002F8\n:0100000002FD\n"
                    ":00000001FF\n",
                    1, "big.hex line 3:"},
        RefusalCase{"bin_too_large", "big.bin", std::string(kMaxDataLength + 1, 'x'), 1,
                    "big.bin holds 131025 bytes; a pack carries at most 131024 bytes"},
        RefusalCase{"unknown_extension", "app.elf", "x", 1, "raw .bin or an Intel .hex"},
        RefusalCase{"empty_bin", "empty.bin", "", 1, "empty.bin is empty: there is no firmware"},
        RefusalCase{"hex_without_data", "none.hex", ":00000001FF\n", 1,
                    "none.hex has no data records: there is no firmware"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliPackCreateLimits, LargestBinFits) {
  TempDir dir;
  WriteFile(dir.File("max.bin"), RandomFirmware(kMaxDataLength, 4));
  const CliResult result =
      RunCli({"pack", "create", "--firmware", "max.bin", "--version", "1", "-o", "max.Pack"}, dir);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const CliResult info = RunCli({"info", "max.Pack"}, dir);
  EXPECT_NE(info.out.find("data-length: 131024\n"), std::string::npos) << info.out;
}

TEST(CliPackCreateFiles, MissingFirmwareIsAFileProblem) {
  TempDir dir;
  const CliResult result =
      RunCli({"pack", "create", "--firmware", "none.bin", "--version", "1", "-o", "out.Pack"}, dir);
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.err.find("cannot read none.bin"), std::string::npos) << result.err;
}

TEST(CliPackCreateFiles, OutputInAMissingFolderIsAFileProblem) {
  TempDir dir;
  WriteFile(dir.File("app.bin"), RandomFirmware(10, 5));
  const CliResult result = RunCli(
      {"pack", "create", "--firmware", "app.bin", "--version", "1", "-o", "no/out.Pack"}, dir);
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.err.find("cannot create no/out.Pack"), std::string::npos) << result.err;
}

// An output that exists and is not a regular file is never replaced, --force or not.
struct BadArgumentCase {
  const char* name;
  std::vector<std::string> extra;
};

class CliPackCreateArguments : public ::testing::TestWithParam<BadArgumentCase> {};

TEST_P(CliPackCreateArguments, AreUsageErrors) {
  TempDir dir;
  WriteFile(dir.File("app.bin"), RandomFirmware(10, 6));
  std::vector<std::string> args = {"pack", "create", "--firmware", "app.bin", "-o", "x.Pack"};
  args.insert(args.end(), GetParam().extra.begin(), GetParam().extra.end());
  const CliResult result = RunCli(args, dir);
  EXPECT_EQ(result.exitCode, 64) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.Pack")));
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, CliPackCreateArguments,
    ::testing::Values(
        BadArgumentCase{"no_version", {}},
        BadArgumentCase{"version_too_large", {"--version", "65536"}},
        BadArgumentCase{"version_negative", {"--version", "-1"}},
        BadArgumentCase{"version_not_a_number", {"--version", "6.4"}},
        BadArgumentCase{"target_too_large", {"--version", "1", "--target", "4294967296"}},
        BadArgumentCase{"unknown_kind", {"--version", "1", "--kind", "both"}},
        BadArgumentCase{"wire_key_too_large", {"--version", "1", "--wire-key", "256"}},
        BadArgumentCase{"one_header_key_byte", {"--version", "1", "--header-key", "1"}},
        BadArgumentCase{"filler_too_large", {"--version", "1", "--filler", "0x100"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorin
