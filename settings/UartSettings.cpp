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

// The per-user folder, created (best effort) so that the first save can succeed.
std::string CreatedUserConfigFolder() {
  const std::string folder = platform::UserConfigFolder();
  std::error_code ignored;
  std::filesystem::create_directories(platform::PathFromUtf8(folder), ignored);
  return folder;
}

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
  // The file is replaced through a temporary beside it, so the folder itself must be writable.
  if (platform::IsWritableFolder(executableFolder)) {
    return platform::Utf8FromPath(platform::PathFromUtf8(executableFolder) / kFileName);
  }
  return platform::Utf8FromPath(platform::PathFromUtf8(CreatedUserConfigFolder()) / kFileName);
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
  const auto status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) return check;  // Missing
  if (status.type() == std::filesystem::file_type::directory) {
    check.State = UartPortCheck::Status::Folder;
    return check;
  }
  std::error_code openError;
  if (!platform::ReadableFile::Open(path, platform::ReadableFile::Kind::Regular, openError)
           .IsOpen()) {
    check.State = openError == platform::FileErrc::NotRegularFile
                      ? UartPortCheck::Status::NotAFile
                      : UartPortCheck::Status::Unreadable;
    check.Reason = openError;
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
