#pragma once
// The settings file: section "Uart", keys "Port" (COM port number) and "BaudRate" (baud index).
// Each call opens the file afresh and releases it at once; nothing is cached. Any thread.
#include <stdexcept>
#include <string>
#include <system_error>

namespace quorin {

// Raised when the settings file cannot be written: "Unable to write to <full path>".
class SettingsWriteError : public std::runtime_error {
 public:
  SettingsWriteError(const std::string& text, std::error_code reason)
      : std::runtime_error(text), reason_(reason) {}
  // The system's cause (EACCES, EROFS, ENOSPC ...) when there is one; empty otherwise.
  std::error_code Reason() const { return reason_; }

 private:
  std::error_code reason_;
};

// "Cyclomer.ini" beside the running executable; where that folder is not writable, the same name
// in the per-user configuration folder ($XDG_CONFIG_HOME or ~/.config, subfolder quorin-iap), which
// is created (best effort) when this picks it. Never raises.
std::string SettingsFilePath();
// The choice SettingsFilePath makes, for a given executable folder.
std::string SettingsFilePathFor(const std::string& executableFolder);

// Key "Port" of section "Uart"; 1 when the file or the key is absent or not a number (a value out
// of int range counts as not a number). Never raises.
int ReadUartPortSetting(const std::string& path);
// What the settings file says about the port, told apart for a caller that must not fall back to
// COM1 when the file is absent or broken (the command line's --settings FILE).
struct UartPortCheck {
  enum class Status {
    Ok,          // Port holds a number from 1: `Port`
    Missing,     // no file of that name
    Folder,      // the name is a folder
    NotAFile,    // a FIFO, a device or a socket: never read, it could block or never end
    Unreadable,  // the file cannot be opened for reading: `Reason`
    NoPort,      // no key "Port" in section "Uart"
    NotAPort,    // "Port" is not a number from 1 (ParseProfileInt's rules): `Value` as stored
  };
  Status State = Status::Missing;
  int Port = 0;
  std::string Value;
  std::error_code Reason;
};
// Reads key "Port" of section "Uart" like ReadUartPortSetting, but says why there is no usable
// port instead of answering 1. Never raises (except std::bad_alloc).
UartPortCheck CheckUartPortSetting(const std::string& path);
// Writes key "Port" as decimal text, creating the file when needed. Raises SettingsWriteError.
void WriteUartPortSetting(const std::string& path, int value);
// Always 0: the stored baud index is written but never read back.
int ReadBaudIndexSetting(const std::string& path);
// Writes key "BaudRate" as decimal text. Raises SettingsWriteError.
void WriteBaudIndexSetting(const std::string& path, int value);

}  // namespace quorin
