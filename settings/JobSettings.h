#pragma once
// Where a programming job takes its port and its baud index from. The job asks at every open, so
// a port saved in the dialog between two jobs is used by the next one.
#include <functional>
#include <string>

namespace quorin {

struct JobSettings {
  std::function<std::string()> PortName;  // "COM" + the stored port number, or a device path
  std::function<int()> BaudIndex;         // the stored baud index (ReadBaudIndexSetting: always 0)
};

// The settings file's answers: "COM" + ReadUartPortSetting(path) and ReadBaudIndexSetting(path),
// read afresh at every call. Any thread.
JobSettings JobSettingsFromFile(const std::string& settingsPath);

}  // namespace quorin
