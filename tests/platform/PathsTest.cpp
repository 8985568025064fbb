// Paths, the owned handle and the thread's CPU time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "platform/Paths.h"
#include "platform/ThreadCpuTime.h"
#include "platform/UniqueHandle.h"

namespace quorin::platform {
namespace {

using namespace std::chrono_literals;

struct FolderCase {
  const char* path;
  const char* folder;
};

class FolderOfTest : public ::testing::TestWithParam<FolderCase> {};

TEST_P(FolderOfTest, TakesEverythingBeforeTheLastSeparator) {
  EXPECT_EQ(FolderOf(GetParam().path), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(Paths, FolderOfTest,
                         ::testing::Values(FolderCase{"a/b/c.Pack", "a/b"},
                                           FolderCase{"c.Pack", "."}, FolderCase{"", "."},
                                           FolderCase{"/c.Pack", "/"}, FolderCase{"/", "/"},
                                           FolderCase{"a/b/", "a"}, FolderCase{"//x", "/"}));

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(PathsTest, UserConfigFolderFollowsXdgThenHome) {
  {
    const ScopedEnv xdg("XDG_CONFIG_HOME", "/srv/conf");
    EXPECT_EQ(UserConfigFolder(), "/srv/conf/quorin-iap");
  }
  const ScopedEnv home("HOME", "/home/rider");
  {
    const ScopedEnv xdg("XDG_CONFIG_HOME", "relative/conf");  // not absolute: ignored
    EXPECT_EQ(UserConfigFolder(), "/home/rider/.config/quorin-iap");
  }
  const ScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
  const ScopedEnv relativeHome("HOME", "rider");  // not absolute: the user database answers
  const std::string folder = UserConfigFolder();
  EXPECT_EQ(folder.front(), '/');
  EXPECT_TRUE(folder.ends_with("/.config/quorin-iap")) << folder;
}

TEST(PathsTest, ExecutableFolderHoldsThisTestProgram) {
  const std::string folder = ExecutableFolder();
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(folder) /
                                               "quorin_platform_tests"))
      << folder;
  EXPECT_TRUE(IsExistingFolder(folder));
  EXPECT_TRUE(IsWritableFolder(folder));
  EXPECT_FALSE(IsExistingFolder(folder + "/quorin_platform_tests"));
  EXPECT_FALSE(IsWritableFolder(folder + "/no-such-folder"));
}

TEST(UniqueHandleTest, ClosesExactlyOnceAndMovesOwnership) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  UniqueHandle reader(ends[0]);
  {
    UniqueHandle writer(ends[1]);
    UniqueHandle moved(std::move(writer));
    EXPECT_FALSE(writer.Valid());
    EXPECT_EQ(moved.Get(), ends[1]);
  }
  char byte = 0;
  EXPECT_EQ(::read(ends[0], &byte, 1), 0) << "the write end is closed: end of file";
  EXPECT_FALSE(reader.Close());
  EXPECT_EQ(::fcntl(ends[0], F_GETFD), -1);
  EXPECT_FALSE(reader.Close()) << "nothing left to close";
}

TEST(ThreadCpuTimeTest, GrowsWhileTheThreadWorksAndNotWhileItSleeps) {
  const auto start = CurrentThreadCpuTime();
  std::this_thread::sleep_for(100ms);
  EXPECT_LT(CurrentThreadCpuTime() - start, 50ms);
  const auto wallLimit = std::chrono::steady_clock::now() + 20s;
  while (CurrentThreadCpuTime() - start < 20ms && std::chrono::steady_clock::now() < wallLimit) {
  }
  EXPECT_GE(CurrentThreadCpuTime() - start, 20ms);
}

}  // namespace
}  // namespace quorin::platform
