#include "app/StartupOptions.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "comm/PortNames.h"
#include "platform/OutsideText.h"
#include "settings/UartSettings.h"

namespace quorin {
namespace {

constexpr std::size_t kAdapterNameShown = 48;  // bytes of an adapter's own name in the list

// The device port `port` names on this machine; empty when that is only the port's own COM name
// (Windows: "\\.\COM3" for com3), which would say nothing new beside it.
std::string PortDevice(int port, const std::vector<SerialPortInfo>& list) {
  const std::string name = "COM" + std::to_string(port);
  const std::string device = ResolvePortName(name, list);
  std::string_view bare = device;
  if (bare.rfind(R"(\\.\)", 0) == 0) bare.remove_prefix(4);
  const bool same =
      std::equal(bare.begin(), bare.end(), name.begin(), name.end(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) ==
               std::toupper(static_cast<unsigned char>(b));
      });
  return same ? std::string() : device;
}

// com1 ... com9 and every port the system lists: the device each opens, and the adapter's name
// where the system gives one (from the device itself: cleaned).
std::vector<ListedPort> Ports() {
  const std::vector<SerialPortInfo> list = ListSerialPorts();
  std::vector<ListedPort> ports;
  const auto add = [&ports, &list](unsigned number, const SerialPortInfo* info) {
    ListedPort port{static_cast<int>(number), PortDevice(static_cast<int>(number), list),
                    info != nullptr};
    if (info && !info->Product.empty()) {
      if (!port.Detail.empty()) port.Detail += "  ";
      port.Detail += platform::TerminalSafe(info->Product, kAdapterNameShown);
    }
    ports.push_back(std::move(port));
  };
  for (unsigned number = 1; number <= static_cast<unsigned>(kUartPortItems); ++number) {
    const auto it = std::ranges::find(list, number, &SerialPortInfo::ComNumber);
    add(number, it != list.end() ? &*it : nullptr);
  }
  for (const SerialPortInfo& info : list) {
    if (info.ComNumber > static_cast<unsigned>(kUartPortItems)) add(info.ComNumber, &info);
  }
  return ports;
}

}  // namespace

PresenterOptions MakePresenterOptions(const std::string& settingsPath) {
  PresenterOptions options;
  options.SettingsPath = settingsPath;
  options.Job = JobTarget::FromSettingsFile(settingsPath);
  options.Ports = Ports;
  options.Doctor = SystemWindowDoctor("the settings file " + settingsPath);
  return options;
}

}  // namespace quorin
