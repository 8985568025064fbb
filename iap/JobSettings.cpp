// The job's ties to the settings file and to AVS1's stored line settings.
#include <string>

#include "iap/TIAPThread.h"
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

void ApplyAvs1StoredValues(TComm& avs1) {
  avs1.SetCommName("COM1");
  avs1.SetOutx_XonXoffFlow(false);
}

}  // namespace quorin
