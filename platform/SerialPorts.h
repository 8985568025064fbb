#pragma once
// The machine's serial ports, with a human description (for the command line's port listing, the
// settings dialog and the meaning of "COMn"). Reads what the system publishes about its devices;
// no device is opened. Any thread; nothing is cached.
#include <string>
#include <vector>

namespace quorin::platform {

struct SerialPortInfo {
  std::string Path;          // the device to open, e.g. "/dev/ttyUSB0"
  std::string Name;          // the kernel's name, e.g. "ttyUSB0"
  std::string Driver;        // e.g. "ftdi_sio", "cdc_acm", "serial8250"; empty when unknown
  std::string VendorId;      // USB idVendor, e.g. "0403"; empty when not USB
  std::string ProductId;     // USB idProduct, e.g. "6001"
  std::string Manufacturer;  // USB manufacturer string, where the device has one
  std::string Product;       // USB product string, where the device has one
  bool Usb = false;
  // One line for people, e.g. "FT232R USB UART - FTDI [0403:6001] (ftdi_sio)".
  std::string Description;
  unsigned ComNumber = 0;  // n of the name "COMn" that stands for this port (ComPortDevice)
};

// The machine's serial ports in the order "COMn" counts them: USB adapters first (ttyUSB* by
// number, then ttyACM* by number), then the other serial lines that have a device behind them
// (on-board UARTs whose port type is known, ttyAMA*, ...), by name and number. Virtual
// terminals, pseudo-terminals and UART slots without hardware are left out. Never raises except
// std::bad_alloc; when the system's device list cannot be read the list is empty.
std::vector<SerialPortInfo> ListSerialPorts();

// The device that the name "COMn" (n from 1) stands for, given the machine's list `ports`
// (ListSerialPorts()):
//   - POSIX counts the list: its n-th entry, or the n-th on-board port "/dev/ttyS<n-1>" when it
//     is shorter;
//   - on Windows COMn is the port of that name itself, "\\.\COMn", whatever the list holds.
// Never raises except std::bad_alloc.
std::string ComPortDevice(unsigned n, const std::vector<SerialPortInfo>& ports);

}  // namespace quorin::platform
