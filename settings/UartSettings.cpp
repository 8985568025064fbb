#include "settings/UartSettings.h"

#include <filesystem>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Utf8Path.h"
#include "settings/ProfileFile.h"

namespace quorin {
namespace {

constexpr std::string_view kSection = "Uart";
constexpr std::string_view kPortKey = "Port";
constexpr std::string_view kBaudKey = "BaudRate";
constexpr const char* kFileName = "Cyclomer.ini";

void WriteIntSetting(const std::string& path, std::string_view key, int value) {
  const std::error_code error = WriteProfileString(path, kSection, key, std::to_string(value));
  if (error) {
    std::error_code ignored;
    std::filesystem::path full = std::filesystem::absolute(platform::PathFromUtf8(path), ignored);
    if (ignored) full = platform::PathFromUtf8(path);
    throw SettingsWriteError("Unable to write to " + platform::Utf8FromPath(full), error);
  }
}

}  // namespace

std::string SettingsFilePathFor(const std::string& executableFolder) {
  std::filesystem::path folder = platform::PathFromUtf8(executableFolder);
  // The file is replaced through a temporary beside it, so the folder itself must be writable.
  if (!platform::IsWritableFolder(executableFolder)) {
    // The per-user folder, created (best effort) so that the first save can succeed.
    folder = platform::PathFromUtf8(platform::UserConfigFolder());
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
  }
  return platform::Utf8FromPath(folder / kFileName);
}

std::string SettingsFilePath() {
  return SettingsFilePathFor(platform::ExecutableFolder());
}

int ReadUartPortSetting(const std::string& path) {
  return ReadProfileInt(path, kSection, kPortKey, 1);
}

UartPortCheck CheckUartPortSetting(const std::string& path) {
  UartPortCheck check;
  std::error_code error;
  // Opened as every read of the file opens it: never blocks on a FIFO or a device, refuses both.
  platform::ReadableFile::Open(path, platform::ReadableFile::Kind::Regular, error);
  if (error) {
    // Through the UTF-8 path: a std::string name would be taken in the ANSI code page on Windows.
    std::error_code unknown;
    const auto status = std::filesystem::status(platform::PathFromUtf8(path), unknown);
    // A device name (NUL) is no file on Windows, yet it is not missing either.
    if (status.type() == std::filesystem::file_type::not_found &&
        error != platform::FileErrc::NotRegularFile) {
      return check;  // Missing
    }
    check.State = status.type() == std::filesystem::file_type::directory
                      ? UartPortCheck::Status::Folder
                  : error == platform::FileErrc::NotRegularFile ? UartPortCheck::Status::NotAFile
                                                                : UartPortCheck::Status::Unreadable;
    check.Reason = error;
    return check;
  }
  const std::optional<std::string> value = ReadProfileString(path, kSection, kPortKey);
  if (!value) {
    check.State = UartPortCheck::Status::NoPort;
    return check;
  }
  const std::optional<int> port = ParseProfileInt(*value);
  if (!port || *port < 1) {
    check.State = UartPortCheck::Status::NotAPort;
    check.Value = *value;
    return check;
  }
  check.State = UartPortCheck::Status::Ok;
  check.Port = *port;
  return check;
}

void WriteUartPortSetting(const std::string& path, int value) {
  WriteIntSetting(path, kPortKey, value);
}

int ReadBaudIndexSetting(const std::string& path) {
  // The file is opened and released like every other access, but the stored index is never used.
  (void)TouchProfileFile(path);
  return 0;
}

void WriteBaudIndexSetting(const std::string& path, int value) {
  WriteIntSetting(path, kBaudKey, value);
}

}  // namespace quorin
