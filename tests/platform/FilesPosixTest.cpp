// Files on POSIX: the loader's numbering of errno values, FIFOs, links and permission bits.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

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
  std::error_code error;
  bool folderExists;
  int code;
  const char* text;
};

class DescribeInOutErrorTest : public ::testing::TestWithParam<DescribeCase> {};

TEST_P(DescribeInOutErrorTest, GivesTheLoadersCodeAndText) {
  const DescribeCase& c = GetParam();
  TempFolder folder;
  const std::string path = c.folderExists ? folder.File("x.Pack") : folder.File("gone/x.Pack");
  const InOutError described = DescribeInOutError(c.error, path);
  EXPECT_EQ(described.code, c.code);
  EXPECT_EQ(described.text, c.text);
}

std::error_code Errno(int value) { return {value, std::generic_category()}; }

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
        DescribeCase{"SystemCategoryToo", {EACCES, std::system_category()}, true, 5,
                     "File access denied"},
        DescribeCase{"ShortFile", make_error_code(FileErrc::ReadBeyondEnd), true, 100,
                     "Read beyond end of file"},
        DescribeCase{"Other", Errno(EAGAIN), true, EAGAIN, "I/O error 11"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadWholeFileTest, RefusesAFifoWithoutBlocking) {
  TempFolder folder;
  const std::string fifo = folder.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadWholeFile(fifo, 10).error, FileErrc::NotRegularFile);
}

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
  options.followLink = true;
  options.keepAttributes = true;
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
