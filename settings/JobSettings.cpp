#include "settings/JobSettings.h"

#include "settings/UartSettings.h"

namespace quorin {

JobSettings JobSettingsFromFile(const std::string& settingsPath) {
  JobSettings settings;
  settings.PortName = [settingsPath] {
    return "COM" + std::to_string(ReadUartPortSetting(settingsPath));
  };
  settings.BaudIndex = [settingsPath] { return ReadBaudIndexSetting(settingsPath); };
  return settings;
}

}  // namespace quorin
