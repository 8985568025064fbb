#pragma once
// What the system knows about the devices a serial line runs through: the USB devices with their
// ids, strings and bound drivers, the serial ports they give, the processes and rules that take
// USB serial adapters away (brltty, ModemManager), who holds a device and which group owns it.
// Facts only: what they mean for a user is decided above platform/ (iap/Doctor.h). Nothing here
// opens a serial device. Every string a device or a process supplies is kept exactly as given
// (outside text: clean it before it reaches a terminal).
#include <memory>
#include <string>
#include <vector>

#include "platform/PortHolders.h"
#include "platform/SerialPorts.h"

namespace quorin::platform {

// One USB device (or, on Windows, one device node with USB ids).
struct UsbDeviceRecord {
  std::string Id;            // where the system keeps it: sysfs name "1-1.2", a Windows instance id
  std::string VendorId;      // four lower-case hex digits, e.g. "1a86"
  std::string ProductId;     // four lower-case hex digits, e.g. "7523"
  std::string Class;         // two lower-case hex digits: the class of its first interface that is
                             //   not a hub ("ff" vendor, "02" CDC, "03" HID ...); the device's own
                             //   class when it has no interfaces
  std::string Manufacturer;  // USB strings, where the device has them (outside text)
  std::string Product;
  std::string Driver;        // the driver bound to its (serial) interface; empty when none is bound
  std::string Port;          // the port it gives: "ttyUSB0", "COM7"; empty when it gives none
  std::string Device;        // the device to open for Port: "/dev/ttyUSB0", "\\.\COM7"
  unsigned ProblemCode = 0;  // Windows' device problem code (CM_PROB_*); 0 when none
  bool Present = true;       // false: unplugged, but the system still remembers it (Windows)
};

// A system service that claims USB serial adapters.
struct ServiceState {
  std::vector<PortHolder> Processes;  // its running processes (process id and name)
  std::vector<std::string> Units;     // its active systemd units, e.g. "brltty-udev.service"
  bool Running() const { return !Processes.empty() || !Units.empty(); }
};

// A udev rule file, with what it says. Masked files (a link to /dev/null) are left out.
struct RuleFile {
  std::string Path;
  std::string Text;
};

// Whose device list it is: what a missing driver means and how it is mended differ.
enum class DeviceSystem { Linux, Windows };

// Everything the doctor looks at, taken at one moment.
struct DeviceSnapshot {
  DeviceSystem System = DeviceSystem::Linux;
  std::vector<UsbDeviceRecord> Usb;   // every USB device, in the system's order
  std::vector<SerialPortInfo> Ports;  // as ListSerialPorts gives them
  bool ServicesTold = false;          // false where brltty and ModemManager do not exist
  ServiceState Brltty;
  ServiceState ModemManager;
  std::vector<RuleFile> BrlttyRules;  // the effective udev rule files whose name holds "brltty"
};

// The system's device facts. Implementations: the live system (SystemDeviceView), a tree laid out
// like a Linux root (SysfsDeviceView, posix/DeviceViewSysfs.h) and a list of Windows device
// records (WindowsDeviceView, WindowsDevices.h). Any thread; never raises except std::bad_alloc.
class DeviceView {
 public:
  virtual ~DeviceView() = default;
  // The devices, ports and services as they are now; an unreadable part is left empty.
  virtual DeviceSnapshot Look() const = 0;
  // Whether `device` (a path, or "\\.\COMn") stands for something present now.
  virtual bool Exists(const std::string& device) const = 0;
  // As HoldersOf / GroupOf of PortHolders.h, within this view.
  virtual PortHolderList Holders(const std::string& device) const = 0;
  virtual DeviceGroup Group(const std::string& device) const = 0;
};

// The live system's view (Linux: the tree at "/"; Windows: SetupAPI and the registry).
std::unique_ptr<DeviceView> SystemDeviceView();

}  // namespace quorin::platform
