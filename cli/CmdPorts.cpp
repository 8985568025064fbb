// quorin-iap-cli ports: the machine's serial devices, in the order "COMn" counts them.
#include <cstdio>

#include "cli/Commands.h"
#include "comm/PortNames.h"
#include "platform/OutsideText.h"

namespace quorin {

void AddPortsCommand(CLI::App& app, int& exitCode) {
  CLI::App* ports = app.add_subcommand(
      "ports", "List the serial devices with their descriptions (COM1 is the first)");
  ports->callback([&exitCode] {
    const std::vector<SerialPortInfo> list = ListSerialPorts();
    if (list.empty()) {
      std::fputs(
          "No serial device found. Connect the programming cable; a USB adapter shows up as\n"
          "/dev/ttyUSB* or /dev/ttyACM*.\n",
          stderr);
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
      // Where the system names its ports COMn (Windows) that name is the one --port takes;
      // elsewhere COMn counts the list.
      const unsigned number =
          ComPortNumber(list[i].Name).value_or(static_cast<unsigned>(i + 1));
      // Descriptions hold the USB strings the device itself reports: outside text.
      std::printf("COM%u\t%s\t%s\n", number, platform::TerminalSafe(list[i].Path).c_str(),
                  platform::TerminalSafe(list[i].Description).c_str());
    }
    exitCode = kExitOk;
  });
}

}  // namespace quorin
