// Loading pack files: reading the image, the I/O errors and what the records hold afterwards
// (what needs the system's own means is in LoadUpdatePackPosixTest / LoadUpdatePackWin32Test).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "pack/PackWriter.h"
#include "pack/UpdatePack.h"
#include "tests/pack/PackFileFixture.h"
#include "tests/pack/TestFiles.h"
#include "tests/pack/TestPacks.h"

namespace quorin {
namespace {

using testing::FixedFields;
using testing::RandomFirmware;
using testing::TempDir;
using testing::WriteFile;
using testing::WriteImage;

class LoadUpdatePackTest : public PackFileFixture {};

TEST_F(LoadUpdatePackTest, GoodPackFillsTheRecords) {
  const std::string path = WritePack("good.Pack", 5000, 1);
  ASSERT_TRUE(LoadUpdatePack(*records_, path));
  EXPECT_EQ(records_->Header.Version(), 6400);
  EXPECT_EQ(records_->Header.TargetCode(), kOwnTargetCode);
  EXPECT_EQ(records_->Header.DataLength(), 5000u);
  EXPECT_EQ(records_->Header.WireKey(), 0x5A);
  const auto firmware = records_->FirmwareData();
  EXPECT_TRUE(std::equal(firmware_.begin(), firmware_.end(), firmware.begin()));
  EXPECT_TRUE(std::all_of(firmware.begin() + 5000, firmware.end(), [](std::uint8_t b) {
    return b == 0xC3;
  })) << "the filler stays as read";
  EXPECT_TRUE(std::equal(image_->begin(), image_->begin() + 34, records_->PackBuffer.begin()));
}

TEST_F(LoadUpdatePackTest, NameAndExtensionPlayNoPart) {
  const std::string path = WritePack("firmware.txt", 100, 2);
  EXPECT_TRUE(LoadUpdatePack(*records_, path));
}

TEST_F(LoadUpdatePackTest, LongerFileIsReadOnlyUpToTheImageSize) {
  const std::string path = WritePack("long.Pack", 2000, 3);
  {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    const std::string junk(70000, '\xEE');
    out << junk;
  }
  ASSERT_EQ(std::filesystem::file_size(path), kPackImageSize + 70000);
  ASSERT_TRUE(LoadUpdatePack(*records_, path));
  EXPECT_TRUE(std::equal(firmware_.begin(), firmware_.end(), records_->FirmwareData().begin()));
  EXPECT_EQ(records_->PackBuffer.back(), 0xC3);
}

TEST_F(LoadUpdatePackTest, BrokenPacksReturnFalse) {
  const std::string path = WritePack("broken.Pack", 3000, 4);
  (*image_)[5] ^= 0x10;
  WriteImage(path, *image_);
  EXPECT_FALSE(LoadUpdatePack(*records_, path));

  const std::string sumPath = WritePack("badsum.Pack", 3000, 5);
  (*image_)[kFirmwareOffset + 2999] ^= 0x01;
  WriteImage(sumPath, *image_);
  EXPECT_FALSE(LoadUpdatePack(*records_, sumPath));
}

TEST_F(LoadUpdatePackTest, AllZeroFileLoads) {
  const std::string path = dir_.File("zero.Pack");
  WriteFile(path, std::vector<std::uint8_t>(kPackImageSize, 0));
  ASSERT_TRUE(LoadUpdatePack(*records_, path));
  EXPECT_NE(records_->Header.TargetCode(), kOwnTargetCode);
}

struct ErrorCase {
  const char* name;
  // Makes the path to load inside the scratch folder.
  std::function<std::string(const TempDir&)> path;
  int Code;
  const char* Text;
};

std::string FileOfSize(const TempDir& dir, std::size_t size) {
  const std::string path = dir.File("sized.Pack");
  const auto firmware = RandomFirmware(200, 9);
  const auto image = BuildPackImage(firmware, FixedFields());
  WriteFile(path, std::span<const std::uint8_t>(*image).first(size));
  return path;
}

const ErrorCase kErrorCases[] = {
    {"missing_file", [](const TempDir& d) { return d.File("nothing.Pack"); }, 2, "File not found"},
    {"missing_file_in_current_folder", [](const TempDir&) { return "no-such-quorin.Pack"; }, 2,
     "File not found"},
    {"empty_path", [](const TempDir&) { return ""; }, 2, "File not found"},
    {"missing_folder", [](const TempDir& d) { return d.File("nowhere/x.Pack"); }, 3,
     "Invalid filename"},
    {"missing_folders", [](const TempDir& d) { return d.File("a/b/c/x.Pack"); }, 3,
     "Invalid filename"},
    {"file_used_as_folder",
     [](const TempDir& d) {
       WriteFile(d.File("plain"), "x");
       return d.File("plain/x.Pack");
     },
     3, "Invalid filename"},
    {"empty_file", [](const TempDir& d) { return FileOfSize(d, 0); }, 100,
     "Read beyond end of file"},
    {"one_byte_short", [](const TempDir& d) { return FileOfSize(d, kPackImageSize - 1); }, 100,
     "Read beyond end of file"},
    {"header_only", [](const TempDir& d) { return FileOfSize(d, 34); }, 100,
     "Read beyond end of file"},
    {"folder", [](const TempDir& d) { return d.Path().string(); }, 5, "File access denied"},
};

class LoadUpdatePackErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(LoadUpdatePackErrors, RaiseTheCodeAndTextOfTheFailure) {
  const ErrorCase& c = GetParam();
  TempDir dir;
  const std::string path = c.path(dir);
  auto records = std::make_unique<PackRecords>();
  try {
    LoadUpdatePack(*records, path);
    FAIL() << "no EInOutError for " << path;
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Code(), c.Code);
    EXPECT_STREQ(e.what(), c.Text);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, LoadUpdatePackErrors, ::testing::ValuesIn(kErrorCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoadUpdatePackTest, FailedReadKeepsThePreviousPack) {
  const std::string good = WritePack("good.Pack", 4000, 8);
  ASSERT_TRUE(LoadUpdatePack(*records_, good));
  const auto before = std::make_unique<PackRecords>(*records_);

  // A shorter pack whose first bytes differ from the loaded one.
  const auto other = BuildPackImage(RandomFirmware(100, 99), PackFields{});
  const std::string shortPath = dir_.File("short.Pack");
  WriteFile(shortPath, std::span<const std::uint8_t>(*other).first(kPackImageSize / 2));
  EXPECT_THROW(LoadUpdatePack(*records_, shortPath), EInOutError);
  EXPECT_EQ(records_->PackBuffer, before->PackBuffer);
  EXPECT_EQ(records_->Header.Bytes, before->Header.Bytes);

  EXPECT_THROW(LoadUpdatePack(*records_, dir_.File("missing.Pack")), EInOutError);
  EXPECT_EQ(records_->PackBuffer, before->PackBuffer);
  EXPECT_EQ(records_->Header.Bytes, before->Header.Bytes);
}

TEST_F(LoadUpdatePackTest, NextLoadReplacesThePreviousPackCompletely) {
  ASSERT_TRUE(LoadUpdatePack(*records_, WritePack("first.Pack", 9000, 10)));
  const std::string second = WritePack("second.Pack", 10, 11);
  ASSERT_TRUE(LoadUpdatePack(*records_, second));
  EXPECT_EQ(records_->PackBuffer[kFirmwareOffset + 10], 0xC3);
  EXPECT_EQ(records_->Header.DataLength(), 10u);
}

TEST_F(LoadUpdatePackTest, LeavesTheFileUntouched) {
  const std::string path = WritePack("good.Pack", 777, 13);
  ASSERT_TRUE(LoadUpdatePack(*records_, path));
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> after((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(after.size(), kPackImageSize);
  EXPECT_TRUE(std::equal(after.begin(), after.end(), image_->begin()));
}

}  // namespace
}  // namespace quorin
