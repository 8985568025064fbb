#pragma once
// Where a programming job takes its port and its baud index from. The job asks at every open, so
// a port saved in the dialog between two jobs is used by the next one.
#include <functional>
#include <memory>
#include <string>
#include <system_error>

namespace quorin {

class SerialDevice;  // comm/SerialDevice.h; the settings only carry an opener for it

struct JobSettings {
  std::function<std::string()> PortName;  // "COM" + the stored port number, or a device path
  std::function<int()> BaudIndex;         // the stored baud index (ReadBaudIndexSetting: always 0)
  // How the job's port opens the device PortName names (a SerialDeviceOpener): empty for the
  // system's serial port; the simulation puts its loopback line here.
  std::function<std::unique_ptr<SerialDevice>(const std::string& name, std::error_code& error)>
      OpenDevice;
};

// The settings file's answers: "COM" + ReadUartPortSetting(path) and ReadBaudIndexSetting(path),
// read afresh at every call. Any thread.
JobSettings JobSettingsFromFile(const std::string& settingsPath);

}  // namespace quorin
