#include "cli/PortOption.h"

#include <cstdio>
#include <vector>

#include "cli/Commands.h"
#include "comm/PortNames.h"
#include "iap/Doctor.h"
#include "platform/DeviceView.h"
#include "platform/OutsideText.h"
#include "settings/UartSettings.h"

namespace quorin {
namespace {

// Why the settings file given with --settings yields no port, or nothing when it does.
std::optional<std::string> SettingsProblem(const UartPortCheck& check) {
  using Status = UartPortCheck::Status;
  switch (check.State) {
    case Status::Ok:
      return std::nullopt;
    case Status::Missing:
      return std::string("there is no such file");
    case Status::Folder:
      return std::string("it is a folder");
    case Status::NotAFile:
      return std::string("it is not a regular file (a FIFO, a device or a socket)");
    case Status::Unreadable:
      return "it cannot be read: " + check.Reason.message();
    case Status::NoPort:
      return std::string("it holds no key Port in section [Uart]");
    case Status::NotAPort:
      return "its Port \"" + ShownName(check.Value) + "\" is not a port number (1, 2, ...)";
  }
  return std::string("it cannot be used");
}

// The one USB serial adapter with a port, or the exit code after listing what is there.
std::optional<int> AutoPort(std::string& portName) {
  const auto [name, withPort] = ChooseAutoPort(platform::SystemDeviceView()->Look());
  if (!name.empty()) {
    portName = name;
    return std::nullopt;
  }
  std::string text = withPort.empty() ? "--port auto: no USB serial adapter with a port is here"
                                      : "--port auto: several USB serial adapters are here";
  text += withPort.empty() ? ".\n" : "; name one with --port:\n";
  for (const DoctorAdapter& adapter : withPort) {
    text += "  " + platform::TerminalSafe(adapter.Port) + "  " +
            platform::TerminalSafe(adapter.Device) + "  " + adapter.UsbId + " " + adapter.Chip +
            "\n";
  }
  if (withPort.empty()) {
    text += "  Connect the programming cable; `quorin-iap-cli doctor` says why none shows up.\n";
  }
  std::fputs(("quorin-iap-cli: " + text).c_str(), stderr);
  return kExitUsage;
}

bool IsAutoPort(const std::string& port) {
  return port.size() == 4 && (port[0] | 0x20) == 'a' && (port[1] | 0x20) == 'u' &&
         (port[2] | 0x20) == 't' && (port[3] | 0x20) == 'o';
}

}  // namespace

std::string ShownName(std::string_view name) {
  return platform::TerminalSafe(name, kShownNameLength);
}

std::string DeviceForMessage(const std::string& name) {
  if (!ComPortNumber(name)) return ShownName(name);
  return ShownName(ResolvePortName(name)) + " (" + ShownName(name) + ")";
}

std::optional<int> PortOptionTarget(const std::string& port, const std::string& settingsFile,
                                    std::optional<JobTarget>& target) {
  const std::string settingsPath = settingsFile.empty() ? SettingsFilePath() : settingsFile;
  std::string portName = port;
  if (IsAutoPort(port)) {
    if (const auto refused = AutoPort(portName)) return refused;
  } else if (port.empty() && !settingsFile.empty()) {
    const UartPortCheck check = CheckUartPortSetting(settingsPath);
    if (const auto problem = SettingsProblem(check)) {
      std::fprintf(stderr,
                   "quorin-iap-cli: no port in the settings file %s: %s; nothing was sent.\n"
                   "  Save a port in the window (Uart > Uart Port), or pass --port NAME.\n",
                   ShownName(settingsPath).c_str(), problem->c_str());
      return kExitUnreadablePack;
    }
    portName = "COM" + std::to_string(check.Port);
  } else if (port.empty()) {
    // The window's rule: COM1 when the file says nothing. Read once: flash runs one job.
    portName = JobTarget::FromSettingsFile(settingsPath).PortName();
  }
  target = JobTarget::FixedPort(portName).BaudIndexFrom(settingsPath);
  return std::nullopt;
}

}  // namespace quorin
