#include "iap/JobTarget.h"

#include <utility>

#include "comm/LoopbackDevice.h"
#include "settings/UartSettings.h"

namespace quorin {

JobTarget JobTarget::FixedPort(std::string name) {
  JobTarget target;
  target.portName_ = [name = std::move(name)] { return name; };
  return target;
}

JobTarget JobTarget::FromSettingsFile(std::string settingsPath) {
  JobTarget target;
  target.portName_ = [settingsPath] {
    return "COM" + std::to_string(ReadUartPortSetting(settingsPath));
  };
  return target.BaudIndexFrom(std::move(settingsPath));
}

JobTarget JobTarget::Simulated(std::shared_ptr<platform::LoopbackLine> line) {
  JobTarget target = FixedPort(kSimulatedPortName);
  target.opener_ = LoopbackOpener(std::move(line));
  return target;
}

void PrepareJobPort(TComm& port, const JobTarget& target) {
  port.SetCommName("COM1");
  port.SetDeviceOpener(target.Opener());
  port.SetOutx_XonXoffFlow(false);
}

void OpenJobPort(TComm& port, const std::string& name, std::uint32_t baud) {
  port.ClosePort();
  port.SetCommName(name);
  port.SetBaudRate(baud);
  port.OpenPort();
}

JobTarget JobTarget::BaudIndexFrom(std::string settingsPath) const {
  JobTarget target = *this;
  target.baudIndex_ = [settingsPath = std::move(settingsPath)] {
    return ReadBaudIndexSetting(settingsPath);
  };
  return target;
}

}  // namespace quorin
