// Port names on Windows: "COMn" names the device itself; the ports are those the serial drivers
// entered in the registry's SERIALCOMM map.
#include <windows.h>

#include <algorithm>
#include <tuple>

#include "comm/PortNames.h"

namespace quorin {

namespace {

std::string Narrow(const wchar_t* wide, DWORD length) {
  if (length == 0) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0,
                                         nullptr, nullptr);
  if (size <= 0) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), text.data(), size, nullptr,
                        nullptr);
  return text;
}

// Owns an open registry key.
class RegistryKey {
 public:
  explicit RegistryKey(const wchar_t* path) {
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key_) != ERROR_SUCCESS)
      key_ = nullptr;
  }
  ~RegistryKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts() {
  std::vector<SerialPortInfo> ports;
  const RegistryKey map(L"HARDWARE\\DEVICEMAP\\SERIALCOMM");
  if (map.Get() == nullptr) return ports;
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
    DWORD portLength = portBytes / sizeof(wchar_t);
    while (portLength > 0 && port[portLength - 1] == L'\0') --portLength;
    SerialPortInfo info;
    info.Name = Narrow(port, portLength);
    if (!ComPortNumber(info.Name)) continue;
    info.Path = "\\\\.\\" + info.Name;
    info.Driver = Narrow(device, deviceLength);
    info.Description = "Serial port (" + info.Driver + ")";
    ports.push_back(std::move(info));
  }
  std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
    return ComPortNumber(a.Name) < ComPortNumber(b.Name);
  });
  return ports;
}

std::string ResolvePortName(const std::string& name, const std::vector<SerialPortInfo>&) {
  return name;
}

std::string ResolvePortName(const std::string& name) {
  return name;
}

}  // namespace quorin
