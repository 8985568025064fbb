#pragma once
// Windows' device list as the device facts of DeviceView.h. The records are what SetupAPI and
// CfgMgr tell about every device node, present or remembered; turning them into USB devices is
// plain code (built on every platform, so it is tested with realistic records anywhere).
#include <memory>
#include <string>
#include <vector>

#include "platform/DeviceView.h"

namespace quorin::platform {

// One device node, as SetupAPI lists it over all classes (DIGCF_ALLCLASSES, present or not).
struct WindowsDeviceRecord {
  std::string InstanceId;  // "USB\VID_1A86&PID_7523\5&2B1A3C&0&2"
  std::string ParentId;    // the parent node's instance id (CM_Get_Parent); empty when unknown
  std::vector<std::string> HardwareIds;    // SPDRP_HARDWAREID: "USB\VID_1A86&PID_7523&REV_0264"
  std::vector<std::string> CompatibleIds;  // SPDRP_COMPATIBLEIDS: "USB\Class_02&SubClass_02"
  std::string ClassName;     // SPDRP_CLASS: "Ports", "USB", "" for a node without a driver
  std::string Service;       // SPDRP_SERVICE: "CH341SER_A64", "silabser", "FTDIBUS", "usbser"
  std::string FriendlyName;  // SPDRP_FRIENDLYNAME or, without one, SPDRP_DEVICEDESC
  std::string Manufacturer;  // SPDRP_MFG
  std::string PortName;      // "PortName" of the device's registry key: "COM7"
  unsigned ProblemCode = 0;  // CM_Get_DevNode_Status; 0 when none
  bool Present = true;       // false: not plugged in (a "phantom" the registry remembers)
};

// Where a WindowsDeviceView takes its records from: SetupAPI (win32/DeviceListSetupApi.cpp) or a
// test's list. Any thread.
class WindowsDeviceSource {
 public:
  virtual ~WindowsDeviceSource() = default;
  virtual std::vector<WindowsDeviceRecord> Devices() const = 0;
  // The present serial ports (the registry's SERIALCOMM map, as ListSerialPorts gives them).
  virtual std::vector<SerialPortInfo> Ports() const = 0;
};

// The USB devices in `records`: every node with "VID_xxxx" and "PID_yyyy" in its hardware ids
// ("USB\...", "FTDIBUS\...", "USB\...&MI_00" of a composite device). A node whose parent is
// another such node with the same ids (an FTDI port below its USB device, an interface below a
// composite device) is folded into that parent: its port, its driver and its problem code count
// for the device. Order as in `records`. Pure.
std::vector<UsbDeviceRecord> UsbDevicesFromRecords(const std::vector<WindowsDeviceRecord>& records);

// The device facts of `source`: no processes or rules (Windows has no brltty or ModemManager) and
// no holders (Windows does not tell who has a port open).
std::unique_ptr<DeviceView> WindowsDeviceView(std::unique_ptr<WindowsDeviceSource> source);

}  // namespace quorin::platform
