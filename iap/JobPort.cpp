#include "iap/JobPort.h"

namespace quorin {

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

}  // namespace quorin
