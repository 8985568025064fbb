#include "app/StartupOptions.h"

#include "comm/PortNames.h"
#include "settings/UartSettings.h"

namespace quorin {

WindowOptions MakeWindowOptions(const std::string& settingsPath, const Simulation* simulation) {
  WindowOptions options;
  options.SettingsPath = settingsPath;
  options.PortDevice = [](int port) {
    return QString::fromStdString(ResolvePortName("COM" + std::to_string(port)));
  };
  if (!simulation) {
    options.Job = JobSettingsFromFile(settingsPath);
    return options;
  }
  options.Job.BaudIndex = [settingsPath] { return ReadBaudIndexSetting(settingsPath); };
  simulation->ConfigureJob(options.Job);
  options.CaptionSuffix =
      QString("  [simulated controller: %1]").arg(QString::fromStdString(simulation->Scenario()));
  return options;
}

}  // namespace quorin
