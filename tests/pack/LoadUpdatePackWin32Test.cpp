// Loading pack files on Windows: names outside ASCII, packs other programs hold open, the
// read-only attribute, and no handle left behind.
#include <windows.h>
// after windows.h
#include <gtest/gtest.h>

#include <string>

#include "tests/pack/PackFileFixture.h"

namespace quorin {
namespace {

class LoadUpdatePackWin32Test : public PackFileFixture {};

// The code of the EInOutError that loading `path` raises, 0 when it loads, -1 when it is broken.
int LoadCode(PackRecords& records, const std::string& path) {
  try {
    return LoadUpdatePack(records, path) ? 0 : -1;
  } catch (const EInOutError& e) {
    return e.Code();
  }
}

std::wstring Wide(const std::filesystem::path& path) { return path.wstring(); }

// The same bytes under a name given in UTF-16, so the test does not rely on the code under test
// to make it.
void CopyAs(const std::string& from, const std::filesystem::path& to) {
  ASSERT_TRUE(::CopyFileW(Wide(std::filesystem::path(from)).c_str(), Wide(to).c_str(), TRUE))
      << ::GetLastError();
}

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

TEST_F(LoadUpdatePackWin32Test, APackNamedInChineseInAFolderWithAccentsLoads) {
  const std::string source = WritePack("source.Pack", 3000, 21);
  const std::filesystem::path folder = dir_.Path() / std::filesystem::path(u8"Fahrräder-прошивка");
  ASSERT_TRUE(::CreateDirectoryW(Wide(folder).c_str(), nullptr));
  const std::filesystem::path pack = folder / std::filesystem::path(u8"固件-6400.Pack");
  CopyAs(source, pack);
  EXPECT_EQ(LoadCode(*records_, Utf8(pack)), 0);
  EXPECT_EQ(records_->Header.DataLength(), 3000u);
  EXPECT_EQ(LoadCode(*records_, Utf8(folder / std::filesystem::path(u8"固件-6401.Pack"))), 2);
}

TEST_F(LoadUpdatePackWin32Test, APackAnotherProgramHoldsOpenOrMarkedReadOnlyLoads) {
  const std::string path = WritePack("held.Pack", 500, 22);
  {
    // An editor keeping the file open for writing, sharing it for reading.
    const HANDLE writer = ::CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(LoadCode(*records_, path), 0) << "the pack is opened for reading only";
    // A program that shares nothing: the system's reason, as the loader numbers it.
    ::CloseHandle(writer);
    const HANDLE exclusive = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_EQ(LoadCode(*records_, path), ERROR_SHARING_VIOLATION);
    ::CloseHandle(exclusive);
  }
  ASSERT_TRUE(::SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(LoadCode(*records_, path), 0);
  ::SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(LoadUpdatePackWin32Test, ClosesTheFileOnEveryOutcome) {
  const std::string good = WritePack("good.Pack", 100, 23);
  const std::string broken = dir_.File("broken.Pack");
  (*image_)[0] ^= 1;
  testing::WriteImage(broken, *image_);
  const std::string shortFile = dir_.File("short.Pack");
  testing::WriteFile(shortFile, std::span<const std::uint8_t>(*image_).first(1000));

  DWORD before = 0;
  DWORD after = 0;
  ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &before));
  EXPECT_EQ(LoadCode(*records_, good), 0);
  EXPECT_EQ(LoadCode(*records_, broken), -1);
  EXPECT_EQ(LoadCode(*records_, shortFile), 100);
  EXPECT_EQ(LoadCode(*records_, dir_.Path().string()), 5);
  ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &after));
  EXPECT_EQ(after, before);
  // Nothing holds the files any more: they can be deleted at once.
  EXPECT_TRUE(::DeleteFileW(Wide(good).c_str()));
  EXPECT_TRUE(::DeleteFileW(Wide(shortFile).c_str()));
}

}  // namespace
}  // namespace quorin
