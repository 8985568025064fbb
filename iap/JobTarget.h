#pragma once
// Which device a job opens and the name it logs for it: one value the front end hands the job's
// session (and the connection doctor's line). Every front end's choice is here:
//   flash --port NAME, doctor --port NAME       FixedPort(NAME)
//   flash --port auto, doctor --port auto        FixedPort(the one USB serial adapter present)
//   flash, doctor without --port                 FixedPort("COM" + the settings file's port,
//                                                as read when the command starts)
//   flash --simulate, the window's --simulate    Simulated(the in-process controller's line)
//   the window                                   FromSettingsFile(its Cyclomer.ini)
// (cli/PortOption.cpp turns --port and --settings into a target; app/StartupOptions.h the
// window's start-up.)
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "comm/SerialDevice.h"
#include "comm/TComm.h"
#include "platform/LoopbackLine.h"

namespace quorin {

// The name a job shows for the simulated controller's port.
inline constexpr const char* kSimulatedPortName = "simulated";

class JobTarget {
 public:
  // The system's serial port `name` (a device path or "COMn") at every open. Baud index 0.
  static JobTarget FixedPort(std::string name);
  // The system's serial port "COM" + ReadUartPortSetting(settingsPath), read afresh at every
  // open, so a port saved in the dialog between two jobs is used by the next; the baud index is
  // the file's (ReadBaudIndexSetting) as well.
  static JobTarget FromSettingsFile(std::string settingsPath);
  // The job's end of `line` (the simulated controller in this process), named kSimulatedPortName.
  // Keeps the line: once its controller end is gone every open fails with ENOENT. Baud index 0.
  static JobTarget Simulated(std::shared_ptr<platform::LoopbackLine> line);

  // The same device, with the baud index read from `settingsPath` (ReadBaudIndexSetting) at every
  // job instead of 0.
  JobTarget BaudIndexFrom(std::string settingsPath) const;

  // The port name a job opens and logs. Any thread.
  std::string PortName() const { return portName_(); }
  // The stored baud index. Any thread.
  int BaudIndex() const { return baudIndex_(); }
  // How the port opens the device PortName() names: empty for the system's serial port.
  const SerialDeviceOpener& Opener() const { return opener_; }

 private:
  JobTarget() = default;

  std::function<std::string()> portName_;
  std::function<int()> baudIndex_ = [] { return 0; };
  SerialDeviceOpener opener_;
};

// A job and the connection doctor's line checks set AVS1 up alike, so the doctor opens a port
// exactly the way a job does. PrepareJobPort gives the closed `port` AVS1's stored values
// (CommName "COM1", Outx_XonXoffFlow off) and the opener of `target` (UI thread). OpenJobPort
// closes `port`, names it `name`, sets `baud` and opens it, raising what OpenPort raises (the
// job's worker or the doctor's thread).
void PrepareJobPort(TComm& port, const JobTarget& target);
void OpenJobPort(TComm& port, const std::string& name, std::uint32_t baud);

}  // namespace quorin
