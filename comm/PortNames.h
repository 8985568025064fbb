#pragma once
// Port names: what "COMn" means on this machine, and the machine's serial ports with a human
// description (for the command line's port listing and the settings dialog).
// No device is opened. Any thread. One source per platform (PortNamesPosix.cpp reads sysfs,
// PortNamesWin32.cpp the registry); ComPortNumber is shared (PortNames.cpp).
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorin {

struct SerialPortInfo {
  std::string Path;          // the device to open, e.g. "/dev/ttyUSB0"
  std::string Name;          // the kernel's name, e.g. "ttyUSB0"
  std::string Driver;        // e.g. "ftdi_sio", "cdc_acm", "serial8250"; empty when unknown
  std::string VendorId;      // USB idVendor, e.g. "0403"; empty when not USB
  std::string ProductId;     // USB idProduct, e.g. "6001"
  std::string Manufacturer;  // USB manufacturer string, where the device has one
  std::string Product;       // USB product string, where the device has one
  bool Usb = false;
  std::string Description;   // one line for people, e.g. "FT232R USB UART - FTDI [0403:6001] (ftdi_sio)"
};

// The machine's serial ports in the order "COMn" counts them: USB adapters first (ttyUSB* by
// number, then ttyACM* by number), then the other serial lines that have a device behind them
// (on-board UARTs whose port type is known, ttyAMA*, ...), by name and number. Virtual
// terminals, pseudo-terminals and UART slots without hardware are left out. Never raises; an
// unreadable sysfs gives an empty list. Windows: the ports in the registry's SERIALCOMM map, by
// number, with Path \\.\COMn.
std::vector<SerialPortInfo> ListSerialPorts();
// Linux: the same over another tree: `sysClassTty` stands for /sys/class/tty, `devDir` for /dev.
std::vector<SerialPortInfo> ListSerialPorts(const std::filesystem::path& sysClassTty,
                                            const std::filesystem::path& devDir);

// n for "COMn" written in any letter case with n a decimal number from 1; nothing otherwise.
std::optional<unsigned> ComPortNumber(const std::string& name);

// The device to open for a port name. Windows: the name as it is (SerialDevice opens "COMn" as
// \\.\COMn). Linux:
//   - "COMn" (any case): the n-th entry of `ports` (ListSerialPorts()), or "/dev/ttyS<n-1>" when
//     the list has fewer than n entries;
//   - anything else (a device path such as "/dev/ttyUSB0" or "/dev/pts/3"): used as it is.
std::string ResolvePortName(const std::string& name, const std::vector<SerialPortInfo>& ports);
// The same against the machine's list, read only when `name` is "COMn".
std::string ResolvePortName(const std::string& name);

}  // namespace quorin
