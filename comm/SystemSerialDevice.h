#pragma once
// The system's serial port, as SerialDevice::Open makes it. Private to the serial backends: one
// declaration here, and each backend (SerialDevicePosix.cpp, SerialDeviceWin32.cpp; CMake builds
// one) defines Handle, the operating system's side, and the members.
#include <cstdint>
#include <memory>
#include <span>
#include <system_error>

#include "comm/CommSettings.h"
#include "comm/SerialDevice.h"

namespace quorin {

class SystemSerialDevice final : public SerialDevice {
 public:
  struct Handle;
  explicit SystemSerialDevice(std::unique_ptr<Handle> handle);
  ~SystemSerialDevice() override;

  std::error_code PrepareBuffers() override;
  std::error_code ArmStopSignal() override;
  void Purge(bool input, bool output) override;
  std::error_code ApplyLineState(const CommSettings& settings) override;
  std::error_code ApplyTimeouts(const CommSettings& settings) override;
  IoResult Read(std::span<std::uint8_t> buffer) override;
  LineEvents TakeLineEvents() override;
  IoResult Write(std::span<const std::uint8_t> data) override;
  void RequestStop() override;
  bool StopRequested() const override;

 private:
  std::unique_ptr<Handle> handle_;
};

}  // namespace quorin
