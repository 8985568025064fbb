#include "app/StartupOptions.h"

#include <algorithm>
#include <cctype>

#include "comm/PortNames.h"
#include "settings/UartSettings.h"

namespace quorin {
namespace {

// The device port `port` names on this machine; empty when that is only the port's own COM name
// (Windows: "\\.\COM3" for com3), which would say nothing new beside it.
std::string PortDevice(int port) {
  const std::string name = "COM" + std::to_string(port);
  const std::string device = ResolvePortName(name);
  std::string_view bare = device;
  if (bare.rfind(R"(\\.\)", 0) == 0) bare.remove_prefix(4);
  const bool same =
      std::equal(bare.begin(), bare.end(), name.begin(), name.end(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) ==
               std::toupper(static_cast<unsigned char>(b));
      });
  return same ? std::string() : device;
}

}  // namespace

PresenterOptions MakePresenterOptions(const std::string& settingsPath) {
  PresenterOptions options;
  options.SettingsPath = settingsPath;
  options.Job = JobSettingsFromFile(settingsPath);
  options.PortDevice = PortDevice;
  return options;
}

}  // namespace quorin
