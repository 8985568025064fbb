// Windows' device list from SetupAPI over every class, present or remembered, with CfgMgr's
// status and parent of each node; the COM ports from the registry's SERIALCOMM map.
#include <windows.h>
// after windows.h, which they need
#include <cfgmgr32.h>
#include <setupapi.h>

#include "platform/WindowsDevices.h"
#include "platform/win32/DeviceInfoList.h"
#include "platform/win32/Text.h"

namespace quorin::platform {
namespace {

using win32::Narrow;

// A string or multi-string property; a multi-string's parts in order.
std::vector<std::string> Property(HDEVINFO list, SP_DEVINFO_DATA& device, DWORD property) {
  std::vector<wchar_t> value(1024, L'\0');
  DWORD type = 0;
  if (!::SetupDiGetDeviceRegistryPropertyW(
          list, &device, property, &type, reinterpret_cast<BYTE*>(value.data()),
          static_cast<DWORD>((value.size() - 2) * sizeof(wchar_t)), nullptr)) {
    return {};
  }
  std::vector<std::string> parts;
  for (std::size_t at = 0; at < value.size() && value[at] != L'\0';) {
    const std::wstring part(value.data() + at);
    parts.push_back(Narrow(part));
    at += part.size() + 1;
    if (type != REG_MULTI_SZ) break;
  }
  return parts;
}

std::string FirstOf(const std::vector<std::string>& parts) {
  return parts.empty() ? std::string() : parts.front();
}

std::string PortNameOf(HDEVINFO list, SP_DEVINFO_DATA& device) {
  const HKEY key = ::SetupDiOpenDevRegKey(list, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE || key == nullptr) return {};
  wchar_t value[64] = {};
  DWORD bytes = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  std::string name;
  if (::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(value),
                         &bytes) == ERROR_SUCCESS &&
      type == REG_SZ) {
    name = Narrow(value);
  }
  ::RegCloseKey(key);
  return name.rfind("COM", 0) == 0 ? name : std::string();
}

std::string InstanceIdOf(DEVINST node) {
  wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
  if (::CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return {};
  return Narrow(id);
}

class SetupApiSource final : public WindowsDeviceSource {
 public:
  std::vector<WindowsDeviceRecord> Devices() const override {
    std::vector<WindowsDeviceRecord> records;
    const win32::DeviceInfoList list(nullptr, DIGCF_ALLCLASSES);
    if (list.Get() == INVALID_HANDLE_VALUE) return records;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(list.Get(), index, &device); ++index) {
      WindowsDeviceRecord record;
      record.HardwareIds = Property(list.Get(), device, SPDRP_HARDWAREID);
      bool usb = false;
      for (const std::string& id : record.HardwareIds) {
        usb = usb || id.find("VID_") != std::string::npos;
      }
      if (!usb) continue;  // only nodes with USB ids matter here
      record.InstanceId = InstanceIdOf(device.DevInst);
      record.CompatibleIds = Property(list.Get(), device, SPDRP_COMPATIBLEIDS);
      record.ClassName = FirstOf(Property(list.Get(), device, SPDRP_CLASS));
      record.Service = FirstOf(Property(list.Get(), device, SPDRP_SERVICE));
      record.FriendlyName = FirstOf(Property(list.Get(), device, SPDRP_FRIENDLYNAME));
      if (record.FriendlyName.empty()) {
        record.FriendlyName = FirstOf(Property(list.Get(), device, SPDRP_DEVICEDESC));
      }
      record.Manufacturer = FirstOf(Property(list.Get(), device, SPDRP_MFG));
      record.PortName = PortNameOf(list.Get(), device);
      ULONG status = 0;
      ULONG problem = 0;
      const CONFIGRET state = ::CM_Get_DevNode_Status(&status, &problem, device.DevInst, 0);
      record.Present = state == CR_SUCCESS;
      if (record.Present && (status & DN_HAS_PROBLEM) != 0) record.ProblemCode = problem;
      DEVINST parent = 0;
      if (::CM_Get_Parent(&parent, device.DevInst, 0) == CR_SUCCESS) {
        record.ParentId = InstanceIdOf(parent);
      }
      records.push_back(std::move(record));
    }
    return records;
  }
  std::vector<SerialPortInfo> Ports() const override { return ListSerialPorts(); }
};

}  // namespace

std::unique_ptr<DeviceView> SystemDeviceView() {
  return WindowsDeviceView(std::make_unique<SetupApiSource>());
}

}  // namespace quorin::platform
