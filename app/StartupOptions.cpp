#include "app/StartupOptions.h"

#include "comm/PortNames.h"
#include "settings/UartSettings.h"

namespace quorin {

PresenterOptions MakePresenterOptions(const std::string& settingsPath) {
  PresenterOptions options;
  options.SettingsPath = settingsPath;
  options.Job = JobSettingsFromFile(settingsPath);
  options.PortDevice = [](int port) { return ResolvePortName("COM" + std::to_string(port)); };
  return options;
}

}  // namespace quorin
