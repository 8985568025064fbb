// The platform layer on Windows: the loader's numbering of Win32 errors, UTF-8 names at the
// UTF-16 calls, paths with drives and both separators, the per-user folder, handles, CPU time.
#include <windows.h>
// after windows.h
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/PortHolders.h"
#include "platform/SerialPorts.h"
#include "platform/ThreadCpuTime.h"
#include "platform/UniqueHandle.h"
#include "platform/Utf8Path.h"
#include "tests/settings/TempFolder.h"

namespace quorin::platform {
namespace {

using namespace std::chrono_literals;
using test::TempFolder;

struct DescribeCase {
  const char* name;
  DWORD Error;
  bool folderExists;
  int Code;
  const char* Text;
};

class DescribeWin32ErrorTest : public ::testing::TestWithParam<DescribeCase> {};

TEST_P(DescribeWin32ErrorTest, GivesTheLoadersCodeAndText) {
  const DescribeCase& c = GetParam();
  TempFolder folder;
  const std::string path = c.folderExists ? folder.File("x.Pack") : folder.File("gone\\x.Pack");
  const InOutError described =
      DescribeInOutError({static_cast<int>(c.Error), std::system_category()}, path);
  EXPECT_EQ(described.Code, c.Code);
  EXPECT_EQ(described.Text, c.Text);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, DescribeWin32ErrorTest,
    ::testing::Values(
        DescribeCase{"MissingFile", ERROR_FILE_NOT_FOUND, true, 2, "File not found"},
        DescribeCase{"MissingFolder", ERROR_PATH_NOT_FOUND, false, 3, "Invalid filename"},
        DescribeCase{"BadName", ERROR_INVALID_NAME, true, 3, "Invalid filename"},
        DescribeCase{"OutOfHandles", ERROR_TOO_MANY_OPEN_FILES, true, 4, "Too many open files"},
        DescribeCase{"NoPermission", ERROR_ACCESS_DENIED, true, 5, "File access denied"},
        DescribeCase{"Locked", ERROR_SHARING_VIOLATION, true, 32, "I/O error 32"},
        DescribeCase{"NotReady", ERROR_NOT_READY, true, 21, "I/O error 21"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FilesWin32Test, RealFailuresAreNumberedAsTheLoaderDoes) {
  TempFolder folder;
  const auto describe = [](const std::string& path) {
    std::array<std::byte, 16> buffer{};
    return DescribeInOutError(ReadFilePrefix(path, buffer), path).Code;
  };
  EXPECT_EQ(describe(folder.File("none.Pack")), 2);
  EXPECT_EQ(describe(folder.File("gone\\x.Pack")), 3);
  EXPECT_EQ(describe(folder.File("bad<name>.Pack")), 3);
  EXPECT_EQ(describe(folder.Path().string()), 5);
  EXPECT_EQ(ReadWholeFile("NUL", 10).Error, FileErrc::NotRegularFile);
}

TEST(FilesWin32Test, NamesOutsideAsciiAreWrittenAndReadAsUtf8) {
  TempFolder folder;
  const std::string path = Utf8FromPath(folder.Path() / PathFromUtf8("固件包-Ünïcode.ini"));
  ASSERT_FALSE(WriteFileAtomically(path, [](FileSink& sink) { return sink.Write("固件"); }));
  const std::wstring wide = folder.Path().wstring() + L"\\\u56fa\u4ef6\u5305-\u00dcn\u00efcode.ini";
  EXPECT_NE(::GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES) << "named in UTF-16";
  const FileContents read = ReadWholeFile(path, 100);
  ASSERT_FALSE(read.Error) << read.Error.message();
  EXPECT_EQ(std::string(read.Bytes.begin(), read.Bytes.end()), "固件");
}

TEST(FilesWin32Test, ReplacingKeepsTheAttributesWhenAskedAndLeavesNoTemporary) {
  TempFolder folder;
  const std::string path = folder.File("Cyclomer.ini");
  ASSERT_FALSE(WriteFileAtomically(path, [](FileSink& sink) { return sink.Write("old"); }));
  ASSERT_TRUE(::SetFileAttributesW(PathFromUtf8(path).c_str(), FILE_ATTRIBUTE_HIDDEN));
  WriteOptions keep;
  keep.KeepAttributes = true;
  ASSERT_FALSE(WriteFileAtomically(
      path, [](FileSink& sink) { return sink.Write("new"); }, keep));
  EXPECT_EQ(test::ReadFileBytes(path), "new");
  EXPECT_NE(::GetFileAttributesW(PathFromUtf8(path).c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  ASSERT_FALSE(WriteFileAtomically(path, [](FileSink& sink) { return sink.Write("plain"); }));
  EXPECT_EQ(::GetFileAttributesW(PathFromUtf8(path).c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u)
      << "not asked to keep them: a plain file";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

struct FolderCase {
  const char* path;
  const char* folder;
};

class FolderOfWin32Test : public ::testing::TestWithParam<FolderCase> {};

TEST_P(FolderOfWin32Test, TakesEverythingBeforeTheLastSeparatorKeepingTheDrive) {
  EXPECT_EQ(FolderOf(GetParam().path), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(Paths, FolderOfWin32Test,
                         ::testing::Values(FolderCase{"C:\\packs\\a.Pack", "C:\\packs"},
                                           FolderCase{"C:\\a.Pack", "C:\\"},
                                           FolderCase{"C:a.Pack", "C:"}, FolderCase{"a.Pack", "."},
                                           FolderCase{"packs/sub\\a.Pack", "packs/sub"},
                                           FolderCase{"\\a.Pack", "\\"},
                                           FolderCase{"C:\\packs\\", "C:\\"}, FolderCase{"", "."}));

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const wchar_t* name, const wchar_t* value) : name_(name) {
    wchar_t old[32768];
    const DWORD length = ::GetEnvironmentVariableW(name, old, 32768);
    if (length > 0 && length < 32768) old_ = std::wstring(old, length);
    ::SetEnvironmentVariableW(name, value);
  }
  ~ScopedEnv() { ::SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const wchar_t* name_;
  std::optional<std::wstring> old_;
};

TEST(PathsWin32Test, UserConfigFolderIsUnderAppData) {
  {
    const ScopedEnv appData(L"APPDATA", L"D:\\Users\\J\u00fcrgen\\AppData\\Roaming\\");
    EXPECT_EQ(UserConfigFolder(), "D:\\Users\\Jürgen\\AppData\\Roaming\\quorin-iap");
  }
  const ScopedEnv noAppData(L"APPDATA", nullptr);
  const ScopedEnv profile(L"USERPROFILE", L"E:\\Home\\rider");
  EXPECT_EQ(UserConfigFolder(), "E:\\Home\\rider\\AppData\\Roaming\\quorin-iap");
}

TEST(PathsWin32Test, ExecutableFolderHoldsThisTestProgramAndIsWritable) {
  const std::string folder = ExecutableFolder();
  EXPECT_TRUE(std::filesystem::is_regular_file(PathFromUtf8(folder) / "quorin_platform_tests.exe"))
      << folder;
  EXPECT_TRUE(IsExistingFolder(folder));
  EXPECT_TRUE(IsWritableFolder(folder));
  EXPECT_FALSE(IsExistingFolder(folder + "\\quorin_platform_tests.exe"));
  EXPECT_FALSE(IsWritableFolder(folder + "\\no-such-folder"));
  // The probe that answered leaves nothing behind.
  for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(folder))) {
    EXPECT_EQ(entry.path().filename().wstring().rfind(L".quorin-probe", 0), std::wstring::npos);
  }
}

TEST(SerialPortsWin32Test, ComNStaysTheNamedPortWhateverTheListHolds) {
  std::vector<SerialPortInfo> ports(2);
  ports[0].Path = "\\\\.\\COM7";
  ports[1].Path = "\\\\.\\COM9";
  EXPECT_EQ(ComPortDevice(1, ports), "\\\\.\\COM1");
  EXPECT_EQ(ComPortDevice(12, {}), "\\\\.\\COM12");
  for (const SerialPortInfo& port : ListSerialPorts()) {
    EXPECT_EQ(port.Path, "\\\\.\\" + port.Name);
  }
}

TEST(PortHoldersWin32Test, AnAccessDeniedPortIsBusyAndNobodyIsNamed) {
  const std::pair<DWORD, OpenRefusal> cases[] = {{ERROR_ACCESS_DENIED, OpenRefusal::Busy},
                                                 {ERROR_SHARING_VIOLATION, OpenRefusal::Busy},
                                                 {ERROR_FILE_NOT_FOUND, OpenRefusal::NoDevice},
                                                 {ERROR_GEN_FAILURE, OpenRefusal::Other}};
  for (const auto& [code, refusal] : cases) {
    EXPECT_EQ(ClassifyOpenError({static_cast<int>(code), std::system_category()}), refusal) << code;
  }
  EXPECT_FALSE(HoldersOf("COM1").Told);
  EXPECT_EQ(GroupOf("COM1").Name, "");
}

TEST(UniqueHandleWin32Test, ClosesExactlyOnceAndMovesOwnership) {
  const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  {
    UniqueHandle owner(reinterpret_cast<NativeHandle>(event));
    UniqueHandle moved(std::move(owner));
    EXPECT_FALSE(owner.Valid());
    DWORD flags = 0;
    EXPECT_TRUE(::GetHandleInformation(event, &flags));
  }
  DWORD flags = 0;
  EXPECT_FALSE(::GetHandleInformation(event, &flags)) << "closed with its owner";
}

TEST(ThreadCpuTimeWin32Test, GrowsWhileTheThreadWorksAndNotWhileItSleeps) {
  const auto start = CurrentThreadCpuTime();
  std::this_thread::sleep_for(100ms);
  EXPECT_LT(CurrentThreadCpuTime() - start, 50ms);
  const auto wallLimit = std::chrono::steady_clock::now() + 20s;
  while (CurrentThreadCpuTime() - start < 50ms && std::chrono::steady_clock::now() < wallLimit) {
  }
  EXPECT_GE(CurrentThreadCpuTime() - start, 50ms);
}

}  // namespace
}  // namespace quorin::platform
