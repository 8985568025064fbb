#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "settings/UartSettings.h"
#include "tests/settings/TempFolder.h"

namespace quorin {
namespace {

using namespace std::string_literals;
using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

struct PortCase {
  std::string stored;  // the file's content; empty: no file
  int expected;
};

class ReadUartPortSettingTest : public ::testing::TestWithParam<PortCase> {};

TEST_P(ReadUartPortSettingTest, StoredValueOrOne) {
  TempFolder folder;
  const std::string path = folder.File("Cyclomer.ini");
  if (!GetParam().stored.empty()) WriteFileBytes(path, GetParam().stored);
  EXPECT_EQ(ReadUartPortSetting(path), GetParam().expected) << GetParam().stored;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadUartPortSettingTest,
    ::testing::Values(PortCase{"", 1}, PortCase{"[Uart]\nPort=5\nBaudRate=0\n", 5},
                      PortCase{"[Uart]\nPort=0\n", 0}, PortCase{"[Uart]\nPort=-3\n", -3},
                      PortCase{"[Uart]\nPort=12\n", 12}, PortCase{"[uart]\nport=9\n", 9},
                      PortCase{"[Uart]\nPort=COM3\n", 1}, PortCase{"[Uart]\nPort=\n", 1},
                      PortCase{"[Uart]\nBaudRate=2\n", 1}, PortCase{"[Other]\nPort=4\n", 1},
                      PortCase{"[Uart]\nPort=4294967299\n", 1},
                      PortCase{"\xff\xfe[\0\0\n\x01\x02=\x03\n[Uart]\nPort=\0"s + "7", 1}));

class WriteUartPortSettingTest : public ::testing::TestWithParam<int> {};

TEST_P(WriteUartPortSettingTest, RoundTrips) {
  TempFolder folder;
  const std::string path = folder.File("Cyclomer.ini");
  WriteUartPortSetting(path, GetParam());
  EXPECT_EQ(ReadUartPortSetting(path), GetParam());
  EXPECT_EQ(ReadFileBytes(path), "[Uart]\nPort=" + std::to_string(GetParam()) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Values, WriteUartPortSettingTest,
                         ::testing::Values(1, 3, 9, 0, -3, 12, INT_MAX, INT_MIN));

TEST(UartSettingsTest, SaveOnAFreshFileWritesPortThenBaudRate) {
  TempFolder folder;
  const std::string path = folder.File("Cyclomer.ini");
  WriteUartPortSetting(path, 3);
  WriteBaudIndexSetting(path, 0);
  EXPECT_EQ(ReadFileBytes(path), "[Uart]\nPort=3\nBaudRate=0\n");
}

TEST(UartSettingsTest, StoredBaudIndexIsNeverReadBack) {
  TempFolder folder;
  const std::string path = folder.File("Cyclomer.ini");
  WriteBaudIndexSetting(path, 2);
  EXPECT_EQ(ReadFileBytes(path), "[Uart]\nBaudRate=2\n");
  EXPECT_EQ(ReadBaudIndexSetting(path), 0);
  EXPECT_EQ(ReadBaudIndexSetting(folder.File("absent.ini")), 0);
}

TEST(UartSettingsTest, RelativePathIsReportedInFull) {
  const std::string relative = "quorin-no-such-folder-" + std::to_string(std::random_device()()) +
                               static_cast<char>(std::filesystem::path::preferred_separator) +
                               "x.ini";
  try {
    WriteUartPortSetting(relative, 1);
    ADD_FAILURE() << "no error raised";
  } catch (const SettingsWriteError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Unable to write to " + (std::filesystem::current_path() / relative).string());
  }
}

TEST(SettingsFilePathTest, BesideTheExecutableWhenItsFolderIsWritable) {
  TempFolder folder;
  EXPECT_EQ(SettingsFilePathFor(folder.Path().string()), folder.File("Cyclomer.ini"));
  const std::string path = SettingsFilePath();
  EXPECT_EQ(std::filesystem::path(path).filename(), "Cyclomer.ini");
  EXPECT_TRUE(std::filesystem::path(path).is_absolute());
}

}  // namespace
}  // namespace quorin
