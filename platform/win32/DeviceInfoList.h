#pragma once
// An owned SetupAPI device information list.
// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on

namespace quorin::platform::win32 {

class DeviceInfoList {
 public:
  // The devices of `deviceClass` (null: of every class) that `flags` (DIGCF_*) select; an invalid
  // list when SetupAPI refuses (Get() is then INVALID_HANDLE_VALUE, which its calls reject).
  DeviceInfoList(const GUID* deviceClass, DWORD flags)
      : list_(::SetupDiGetClassDevsW(deviceClass, nullptr, nullptr, flags)) {}
  ~DeviceInfoList() {
    if (list_ != INVALID_HANDLE_VALUE) ::SetupDiDestroyDeviceInfoList(list_);
  }
  DeviceInfoList(const DeviceInfoList&) = delete;
  DeviceInfoList& operator=(const DeviceInfoList&) = delete;
  HDEVINFO Get() const { return list_; }

 private:
  HDEVINFO list_;
};

}  // namespace quorin::platform::win32
