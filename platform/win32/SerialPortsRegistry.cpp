// The port listing on Windows: the ports that the serial drivers entered in the registry's
// SERIALCOMM map (value: the port's name "COMn", value name: the driver's device), by number.
// Where SetupAPI knows the port's device, its friendly name ("USB Serial Port (COM3)") and the
// USB vendor and product become the description. "COMn" names the port itself.
#include <windows.h>
// after windows.h, which they need
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <optional>

#include "platform/SerialPorts.h"
#include "platform/win32/DeviceInfoList.h"
#include "platform/win32/Text.h"

namespace quorin::platform {
namespace {

using win32::Narrow;

// n of "COMn" (any case), nothing otherwise.
std::optional<unsigned> ComNumber(std::wstring_view name) {
  if (name.size() < 4 || name.size() > 12) return std::nullopt;
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::towupper(name[i]) != L"COM"[i]) return std::nullopt;
  }
  unsigned long n = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < L'0' || name[i] > L'9') return std::nullopt;
    n = n * 10 + static_cast<unsigned long>(name[i] - L'0');
  }
  if (n == 0 || n > 1000000) return std::nullopt;
  return static_cast<unsigned>(n);
}

// Owns an open registry key.
class RegistryKey {
 public:
  explicit RegistryKey(HKEY key) : key_(key) {}
  RegistryKey(HKEY parent, const wchar_t* path) {
    if (::RegOpenKeyExW(parent, path, 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegistryKey() {
    if (key_ != nullptr && key_ != INVALID_HANDLE_VALUE) ::RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY Get() const { return key_ == INVALID_HANDLE_VALUE ? nullptr : key_; }

 private:
  HKEY key_ = nullptr;
};

std::wstring RegistryText(HKEY key, const wchar_t* name) {
  wchar_t value[256];
  DWORD bytes = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  std::size_t length = bytes / sizeof(wchar_t);
  while (length > 0 && value[length - 1] == L'\0') --length;
  return std::wstring(value, length);
}

std::wstring DeviceText(HDEVINFO list, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t value[512];
  DWORD type = 0;
  if (!::SetupDiGetDeviceRegistryPropertyW(list, &device, property, &type,
                                           reinterpret_cast<BYTE*>(value),
                                           sizeof value - sizeof(wchar_t), nullptr)) {
    return {};
  }
  value[std::size(value) - 1] = L'\0';
  return value;
}

// "USB\VID_0403&PID_6001\..." -> "0403", "6001".
void FillUsb(const std::wstring& hardwareId, SerialPortInfo& info) {
  const std::size_t vid = hardwareId.find(L"VID_");
  const std::size_t pid = hardwareId.find(L"PID_");
  if (vid == std::wstring::npos || pid == std::wstring::npos) return;
  info.Usb = true;
  info.VendorId = Narrow(hardwareId.substr(vid + 4, 4));
  info.ProductId = Narrow(hardwareId.substr(pid + 4, 4));
}

// What SetupAPI tells about the ports it knows, by COM number (best effort: empty when nothing).
std::map<unsigned, SerialPortInfo> KnownDevices() {
  std::map<unsigned, SerialPortInfo> known;
  const win32::DeviceInfoList list(&GUID_DEVCLASS_PORTS, DIGCF_PRESENT);
  if (list.Get() == INVALID_HANDLE_VALUE) return known;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; ::SetupDiEnumDeviceInfo(list.Get(), index, &device); ++index) {
    const RegistryKey key(
        ::SetupDiOpenDevRegKey(list.Get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ));
    if (key.Get() == nullptr) continue;
    const auto number = ComNumber(RegistryText(key.Get(), L"PortName"));
    if (!number) continue;
    SerialPortInfo info;
    info.Product = Narrow(DeviceText(list.Get(), device, SPDRP_FRIENDLYNAME));
    info.Manufacturer = Narrow(DeviceText(list.Get(), device, SPDRP_MFG));
    FillUsb(DeviceText(list.Get(), device, SPDRP_HARDWAREID), info);
    known.emplace(*number, std::move(info));
  }
  return known;
}

std::string Describe(const SerialPortInfo& info) {
  std::string text = info.Product.empty() ? "Serial port" : info.Product;
  if (!info.Manufacturer.empty()) text += " - " + info.Manufacturer;
  if (info.Usb) text += " [" + info.VendorId + ":" + info.ProductId + "]";
  if (!info.Driver.empty()) text += " (" + info.Driver + ")";
  return text;
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts() {
  std::vector<SerialPortInfo> ports;
  const RegistryKey map(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM");
  if (map.Get() == nullptr) return ports;
  std::map<unsigned, SerialPortInfo> known;
  bool askedSetupApi = false;
  std::vector<std::pair<unsigned, SerialPortInfo>> found;
  for (DWORD index = 0;; ++index) {
    wchar_t device[256];
    wchar_t port[64];
    DWORD deviceLength = static_cast<DWORD>(std::size(device));
    DWORD portBytes = sizeof port - sizeof(wchar_t);
    DWORD type = 0;
    const LSTATUS status = ::RegEnumValueW(map.Get(), index, device, &deviceLength, nullptr, &type,
                                           reinterpret_cast<BYTE*>(port), &portBytes);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || type != REG_SZ) continue;
    std::size_t portLength = portBytes / sizeof(wchar_t);
    while (portLength > 0 && port[portLength - 1] == L'\0') --portLength;
    const std::wstring_view portName(port, portLength);
    const auto number = ComNumber(portName);
    if (!number) continue;
    if (!askedSetupApi) {
      known = KnownDevices();
      askedSetupApi = true;
    }
    SerialPortInfo info;
    if (const auto it = known.find(*number); it != known.end()) info = it->second;
    info.Name = Narrow(portName);
    info.Path = "\\\\.\\" + info.Name;
    const std::wstring_view driver(device, deviceLength);
    info.Driver = Narrow(driver.substr(driver.find_last_of(L'\\') + 1));  // "\Device\Serial0"
    info.Description = Describe(info);
    info.ComNumber = *number;
    found.emplace_back(*number, std::move(info));
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& entry : found) ports.push_back(std::move(entry.second));
  return ports;
}

std::string ComPortDevice(unsigned n, const std::vector<SerialPortInfo>&) {
  return "\\\\.\\COM" + std::to_string(n);
}

}  // namespace quorin::platform
