// The settings file on Windows: the per-user folder under %APPDATA% (a user name with letters
// outside ASCII is common there) and what a failed write names.
#include <windows.h>
// after windows.h
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/Utf8Path.h"
#include "settings/UartSettings.h"
#include "tests/settings/TempFolder.h"

namespace quorin {
namespace {

using platform::PathFromUtf8;
using platform::Utf8FromPath;
using test::TempFolder;

// Sets %APPDATA% for one test and puts the old value back.
class ScopedAppData {
 public:
  explicit ScopedAppData(const std::wstring& value) {
    wchar_t old[32768];
    const DWORD length = ::GetEnvironmentVariableW(L"APPDATA", old, 32768);
    if (length > 0 && length < 32768) old_ = std::wstring(old, length);
    ::SetEnvironmentVariableW(L"APPDATA", value.c_str());
  }
  ~ScopedAppData() { ::SetEnvironmentVariableW(L"APPDATA", old_ ? old_->c_str() : nullptr); }
  ScopedAppData(const ScopedAppData&) = delete;
  ScopedAppData& operator=(const ScopedAppData&) = delete;

 private:
  std::optional<std::wstring> old_;
};

TEST(SettingsWin32Test, PerUserFolderIsUnderAppDataAndTakesAnyLetters) {
  TempFolder folder;
  const std::filesystem::path roaming = folder.Path() / std::filesystem::path(u8"Jürgen-李");
  ASSERT_TRUE(::CreateDirectoryW(roaming.wstring().c_str(), nullptr));
  const ScopedAppData appData(roaming.wstring());
  const std::string chosen = SettingsFilePathFor(folder.File("no-such-folder"));
  EXPECT_EQ(PathFromUtf8(chosen), roaming / "quorin-iap" / "Cyclomer.ini") << chosen;
  EXPECT_TRUE(std::filesystem::is_directory(roaming / "quorin-iap"));
  WriteUartPortSetting(chosen, 7);
  EXPECT_EQ(ReadUartPortSetting(chosen), 7);
  EXPECT_TRUE(std::filesystem::is_regular_file(roaming / "quorin-iap" / "Cyclomer.ini"));
}

TEST(SettingsWin32Test, AWriteThatCannotBeDoneNamesTheFullPathAndTheReason) {
  TempFolder folder;
  const std::string path = Utf8FromPath(folder.Path() / "missing" / "Cyclomer.ini");
  try {
    WriteUartPortSetting(path, 4);
    ADD_FAILURE() << "no error raised";
  } catch (const SettingsWriteError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
    EXPECT_EQ(error.Reason(), std::errc::no_such_file_or_directory);
  }
}

}  // namespace
}  // namespace quorin
