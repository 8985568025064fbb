// Files on POSIX: the loader's numbering of errno values, FIFOs, links and permission bits.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "platform/Files.h"
#include "tests/settings/TempFolder.h"

namespace quorin::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

struct DescribeCase {
  const char* name;
  std::error_code Error;
  bool folderExists;
  int Code;
  const char* Text;
};

class DescribeInOutErrorTest : public ::testing::TestWithParam<DescribeCase> {};

TEST_P(DescribeInOutErrorTest, GivesTheLoadersCodeAndText) {
  const DescribeCase& c = GetParam();
  TempFolder folder;
  const std::string path = c.folderExists ? folder.File("x.Pack") : folder.File("gone/x.Pack");
  const InOutError described = DescribeInOutError(c.Error, path);
  EXPECT_EQ(described.Code, c.Code);
  EXPECT_EQ(described.Text, c.Text);
}

std::error_code Errno(int value) {
  return {value, std::generic_category()};
}

INSTANTIATE_TEST_SUITE_P(
    Errors, DescribeInOutErrorTest,
    ::testing::Values(
        DescribeCase{"MissingFile", Errno(ENOENT), true, 2, "File not found"},
        DescribeCase{"MissingFolder", Errno(ENOENT), false, 3, "Invalid filename"},
        DescribeCase{"NotAFolder", Errno(ENOTDIR), true, 3, "Invalid filename"},
        DescribeCase{"ProcessOutOfHandles", Errno(EMFILE), true, 4, "Too many open files"},
        DescribeCase{"SystemOutOfHandles", Errno(ENFILE), true, 4, "Too many open files"},
        DescribeCase{"NoPermission", Errno(EACCES), true, 5, "File access denied"},
        DescribeCase{"NotPermitted", Errno(EPERM), true, 5, "File access denied"},
        DescribeCase{"ReadOnlyMedium", Errno(EROFS), true, 5, "File access denied"},
        DescribeCase{"AFolder", Errno(EISDIR), true, 5, "File access denied"},
        DescribeCase{
            "SystemCategoryToo", {EACCES, std::system_category()}, true, 5, "File access denied"},
        DescribeCase{"ShortFile", make_error_code(FileErrc::ReadBeyondEnd), true, 100,
                     "Read beyond end of file"},
        DescribeCase{"ADeviceOrASocket", make_error_code(FileErrc::NotRegularFile), true, 5,
                     "File access denied"},
        DescribeCase{"ASilentPipe", make_error_code(FileErrc::PipeSilent), true, ETIMEDOUT,
                     "I/O error 110"},
        DescribeCase{"Other", Errno(EAGAIN), true, EAGAIN, "I/O error 11"}),
    [](const auto& info) { return std::string(info.param.name); });

// Writes `bytes` into the FIFO at `path` once a reader has opened it, `delay` later: a writer that
// is behind its reader. Gives up when no reader comes within ten seconds.
class LateWriter {
 public:
  LateWriter(std::string path, std::string bytes, std::chrono::milliseconds delay)
      : thread_([path, bytes, delay] {
          sigset_t brokenPipe;  // a reader that stops early makes write fail, not the test end
          sigemptyset(&brokenPipe);
          sigaddset(&brokenPipe, SIGPIPE);
          pthread_sigmask(SIG_BLOCK, &brokenPipe, nullptr);
          const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
          int fd = -1;
          while ((fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK)) < 0 &&
                 std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
          }
          if (fd < 0) return;
          std::this_thread::sleep_for(delay);
          ::fcntl(fd, F_SETFL, 0);
          for (std::size_t at = 0; at < bytes.size();) {
            const ssize_t wrote = ::write(fd, bytes.data() + at, bytes.size() - at);
            if (wrote <= 0) break;
            at += static_cast<std::size_t>(wrote);
          }
          ::close(fd);
        }) {}
  ~LateWriter() { thread_.join(); }

 private:
  std::thread thread_;
};

// Pipes are read to their end as they come, however late the writer; devices are never read.
struct SpecialReadCase {
  const char* name;
  const char* path;      // nullptr: a FIFO whose writer is 300 ms behind
  std::size_t maxBytes;  // 0: ReadFilePrefix of 10 bytes; otherwise ReadWholeFile
  std::error_code Error;
};

class SpecialReadTest : public ::testing::TestWithParam<SpecialReadCase> {};

TEST_P(SpecialReadTest, ReadsPipesAndRefusesDevices) {
  const SpecialReadCase& c = GetParam();
  TempFolder folder;
  std::string path = c.path != nullptr ? c.path : folder.File("fifo");
  std::optional<LateWriter> writer;
  if (c.path == nullptr) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    writer.emplace(path, "0123456789", std::chrono::milliseconds(300));
  }
  std::string read;
  std::error_code error;
  if (c.maxBytes == 0) {
    std::array<std::byte, 10> buffer{};
    error = ReadFilePrefix(path, buffer);
    read.assign(reinterpret_cast<const char*>(buffer.data()), buffer.size());
  } else {
    FileContents contents = ReadWholeFile(path, c.maxBytes);
    error = contents.Error;
    read.assign(contents.Bytes.begin(), contents.Bytes.end());
  }
  EXPECT_EQ(error, c.Error) << error.message();
  if (!c.Error) {
    EXPECT_EQ(read, "0123456789");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SpecialReadTest,
    ::testing::Values(SpecialReadCase{"prefix_of_a_late_pipe", nullptr, 0, {}},
                      SpecialReadCase{"whole_late_pipe", nullptr, 10, {}},
                      SpecialReadCase{"late_pipe_too_long", nullptr, 9, FileErrc::TooLarge},
                      SpecialReadCase{"prefix_of_a_device", "/dev/zero", 0,
                                      FileErrc::NotRegularFile},
                      SpecialReadCase{"whole_device", "/dev/zero", 10, FileErrc::NotRegularFile}),
    [](const auto& info) { return std::string(info.param.name); });

FileProducer Text(std::string text) {
  return [text](FileSink& sink) { return sink.Write(text); };
}

TEST(WriteFileAtomicallyTest, FollowsALinkAndKeepsThePermissionsWhenAsked) {
  TempFolder folder;
  const std::string target = folder.File("target.ini");
  const std::string link = folder.File("link.ini");
  WriteFileBytes(target, "old");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  fs::create_symlink(target, link);
  WriteOptions options;
  options.FollowLink = true;
  options.KeepAttributes = true;
  ASSERT_FALSE(WriteFileAtomically(link, Text("new"), options));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFileBytes(target), "new");
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);

  ASSERT_FALSE(WriteFileAtomically(link, Text("plain")));  // without: the link itself is replaced
  EXPECT_FALSE(fs::is_symlink(link));
  EXPECT_EQ(ReadFileBytes(target), "new");
}

}  // namespace
}  // namespace quorin::platform
