// The settings file on POSIX: FIFOs, symbolic links, permission bits, $XDG_CONFIG_HOME.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "settings/ProfileFile.h"
#include "settings/UartSettings.h"
#include "tests/settings/TempFolder.h"

namespace quorin {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

TEST(ReadProfileIntTest, NonRegularFilesAreAbsentAndNeverBlock) {
  TempFolder folder;
  const std::string fifo = folder.File("fifo.ini");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadProfileInt(fifo, "Uart", "Port", 1), 1);  // would hang if opened blocking
  EXPECT_EQ(ReadProfileInt(folder.Path().string(), "Uart", "Port", 1), 1);
  EXPECT_FALSE(TouchProfileFile(fifo));
  EXPECT_FALSE(TouchProfileFile(folder.File("absent.ini")));
}

TEST(WriteProfileStringTest, FollowsSymbolicLinksAndKeepsPermissions) {
  TempFolder folder;
  const std::string real = folder.File("real.ini");
  const std::string link = folder.File("Cyclomer.ini");
  WriteFileBytes(real, "[Uart]\nPort=1\n");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  std::filesystem::create_symlink(real, link);

  ASSERT_FALSE(WriteProfileString(link, "Uart", "Port", "4"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFileBytes(real), "[Uart]\nPort=4\n");
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(WriteProfileStringTest, AFileInThePlaceOfAFolderIsNotAFolder) {
  TempFolder folder;
  const std::string blocker = folder.File("not-a-folder");
  WriteFileBytes(blocker, "x");
  EXPECT_EQ(WriteProfileString(blocker + "/Cyclomer.ini", "Uart", "Port", "1"),
            std::errc::not_a_directory);
  EXPECT_EQ(ReadFileBytes(blocker), "x");
}

TEST(UartSettingsTest, WriteFailureNamesTheFullPath) {
  TempFolder folder;
  const std::string blocker = folder.File("plain-file");
  WriteFileBytes(blocker, "x");
  const std::string path = blocker + "/Cyclomer.ini";
  for (auto write : {&WriteUartPortSetting, &WriteBaudIndexSetting}) {
    try {
      write(path, 4);
      ADD_FAILURE() << "no error raised";
    } catch (const SettingsWriteError& error) {
      EXPECT_STREQ(error.what(), ("Unable to write to " + path).c_str());
      EXPECT_EQ(error.Reason(), std::errc::not_a_directory);
    }
  }
}

TEST(SettingsFilePathTest, PerUserFolderOtherwise) {
  TempFolder folder;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
  const std::string chosen = SettingsFilePathFor(folder.File("no-such-folder"));
  if (old != nullptr) {
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
  EXPECT_EQ(chosen, (folder.Path() / "quorin-iap" / "Cyclomer.ini").string());
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "quorin-iap"));
}

}  // namespace
}  // namespace quorin
