#pragma once
// The settings file: section "Uart", keys "Port" (COM port number) and "BaudRate" (baud index).
// Each call opens the file afresh and releases it at once; nothing is cached. Any thread.
#include <stdexcept>
#include <string>

namespace quorin {

// Raised when the settings file cannot be written: "Unable to write to <full path>".
class SettingsWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "Cyclomer.ini" beside the running executable; where that folder is not writable, the same name
// in the per-user configuration folder ($XDG_CONFIG_HOME or ~/.config, subfolder quorin-iap).
std::string SettingsFilePath();

// Key "Port" of section "Uart"; 1 when the file or the key is absent or not a number.
int ReadUartPortSetting(const std::string& path);
// Writes key "Port" as decimal text, creating the file when needed. Raises SettingsWriteError.
void WriteUartPortSetting(const std::string& path, int value);
// Always 0: the stored baud index is written but never read back.
int ReadBaudIndexSetting(const std::string& path);
// Writes key "BaudRate" as decimal text. Raises SettingsWriteError.
void WriteBaudIndexSetting(const std::string& path, int value);

}  // namespace quorin
