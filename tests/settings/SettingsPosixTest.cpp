// The settings file on POSIX: FIFOs, symbolic links, permission bits, $XDG_CONFIG_HOME.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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
  const std::string readOnly = folder.File("Cyclomer.ini");  // read-only: kept, even for root
  WriteFileBytes(readOnly, "[Uart]\nPort=2\n");
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  for (const auto& [path, reason] :
       {std::pair{blocker + "/Cyclomer.ini", std::errc::not_a_directory},
        std::pair{readOnly, std::errc::permission_denied}}) {
    for (auto write : {&WriteUartPortSetting, &WriteBaudIndexSetting}) {
      try {
        write(path, 4);
        ADD_FAILURE() << "no error raised for " << path;
      } catch (const SettingsWriteError& error) {
        EXPECT_STREQ(error.what(), ("Unable to write to " + path).c_str());
        EXPECT_EQ(error.Reason(), reason);
      }
    }
  }
  EXPECT_EQ(ReadFileBytes(readOnly), "[Uart]\nPort=2\n");
}

// The temporaries of saves that were interrupted: only ours, and only when their writer is gone
// or they are old.
struct StaleCase {
  const char* name;
  bool writerGone;  // the process id in the name has ended; otherwise it is this process
  int ageMinutes;
  std::string leaf;  // "%": the process id
  bool removed;
};

class StaleTemporaryTest : public ::testing::TestWithParam<StaleCase> {};

TEST_P(StaleTemporaryTest, TheNextSaveRemovesOnlyStaleOnesOfOurs) {
  const StaleCase& c = GetParam();
  pid_t pid = ::getpid();
  if (c.writerGone) {
    pid = ::fork();
    if (pid == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(pid, nullptr, 0), pid);
  }
  TempFolder folder;
  std::string leaf = c.leaf;
  leaf.replace(leaf.find('%'), 1, std::to_string(pid));
  const std::string temporary = folder.File(leaf);
  WriteFileBytes(temporary, "[Uart]\nPo");
  const auto written =
      std::filesystem::file_time_type::clock::now() - std::chrono::minutes(c.ageMinutes);
  std::filesystem::last_write_time(temporary, written);
  ASSERT_FALSE(WriteProfileString(folder.File("Cyclomer.ini"), "Uart", "Port", "2"));
  EXPECT_EQ(!std::filesystem::exists(temporary), c.removed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StaleTemporaryTest,
    ::testing::Values(StaleCase{"writer_gone", true, 0, ".Cyclomer.ini.%-77.tmp", true},
                      StaleCase{"old", false, 90, ".Cyclomer.ini.%-77.tmp", true},
                      StaleCase{"writer_running", false, 0, ".Cyclomer.ini.%-77.tmp", false},
                      StaleCase{"another_file_s", true, 90, ".Other.ini.%-77.tmp", false},
                      StaleCase{"not_our_naming", true, 90, ".Cyclomer.ini.%.tmp", false},
                      StaleCase{"a_user_s_file", true, 90, "Cyclomer.ini.%-1.tmp", false}),
    [](const auto& info) { return std::string(info.param.name); });

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
