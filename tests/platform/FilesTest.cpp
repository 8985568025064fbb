// Files: whole-file reads and writes that are complete or absent (the loader's error numbering
// and what needs the system's own means: FilesPosixTest, PlatformWin32Test).
#include <gtest/gtest.h>

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

TEST(ReadWholeFileTest, ReadsUpToTheLimitAndRefusesAFolder) {
  TempFolder folder;
  const std::string path = folder.File("data.bin");
  WriteFileBytes(path, std::string(70000, 'q'));  // more than one read buffer
  EXPECT_EQ(ReadWholeFile(path, 70000).Bytes.size(), 70000u);
  const FileContents large = ReadWholeFile(path, 69999);
  EXPECT_EQ(large.Error, FileErrc::TooLarge);
  EXPECT_EQ(large.SizeSeen, 70000u);
  EXPECT_TRUE(large.Bytes.empty());

  EXPECT_EQ(ReadWholeFile(folder.Path().string(), 10).Error, std::errc::is_a_directory);
  EXPECT_EQ(ReadWholeFile(folder.File("none"), 10).Error, std::errc::no_such_file_or_directory);
}

FileProducer Text(std::string text) {
  return [text](FileSink& sink) { return sink.Write(text); };
}

// Every name in the folder: no temporary may be left behind.
std::size_t EntryCount(const TempFolder& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder.Path()), {}));
}

TEST(WriteFileAtomicallyTest, ReplacesOrCreatesTheFileAndLeavesNothingElse) {
  TempFolder folder;
  const std::string path = folder.File("out.ini");
  ASSERT_FALSE(WriteFileAtomically(path, Text("one")));
  ASSERT_FALSE(WriteFileAtomically(path, Text("two")));
  EXPECT_EQ(ReadFileBytes(path), "two");
  EXPECT_EQ(EntryCount(folder), 1u);
}

TEST(WriteFileAtomicallyTest, AFailedWriteKeepsTheOldFileAndNamesTheStep) {
  TempFolder folder;
  const std::string path = folder.File("out.ini");
  WriteFileBytes(path, "old");
  WriteStep step = WriteStep::Create;
  const auto refuse = [](FileSink& sink) {
    (void)sink.Write("partial");
    return std::make_error_code(std::errc::no_space_on_device);
  };
  EXPECT_EQ(WriteFileAtomically(path, refuse, {}, &step), std::errc::no_space_on_device);
  EXPECT_EQ(step, WriteStep::Write);
  EXPECT_EQ(ReadFileBytes(path), "old");
  EXPECT_EQ(EntryCount(folder), 1u);

  WriteOptions keep;
  keep.KeepExisting = true;
  EXPECT_EQ(WriteFileAtomically(path, Text("new"), keep, &step), std::errc::file_exists);
  EXPECT_EQ(step, WriteStep::Create);
  EXPECT_EQ(ReadFileBytes(path), "old");
  EXPECT_EQ(WriteFileAtomically(folder.File("none/out.ini"), Text("x"), {}, &step),
            std::errc::no_such_file_or_directory);
  EXPECT_EQ(step, WriteStep::Create);

  EXPECT_EQ(WriteFileAtomically(folder.File("new.ini"), refuse, keep, &step),
            std::errc::no_space_on_device);
  EXPECT_FALSE(fs::exists(folder.File("new.ini")));
}

}  // namespace
}  // namespace quorin::platform
