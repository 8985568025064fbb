#pragma once
// The USB–serial chips programming cables are built with: their USB ids, the Linux driver that
// serves them and the Windows driver package a user installs for them. Pure; any thread.
#include <string>
#include <string_view>

namespace quorin {

struct UsbChip {
  std::string_view VendorId;        // lower-case hex, e.g. "1a86"
  std::string_view ProductId;       // lower-case hex, e.g. "7523"
  std::string_view Name;            // e.g. "CH340"
  std::string_view LinuxDriver;     // the kernel module bound to its interface, e.g. "ch341"
  std::string_view WindowsPackage;  // what to install on Windows, e.g. "CH341SER (WCH)"
};

// The chip of the USB id, or null when it is not in the table.
const UsbChip* FindUsbChip(std::string_view vendorId, std::string_view productId);

// The name of a serial adapter the table does not know, by its USB class: "CDC ACM" for "02" and
// "0a" (communications and its data interface), "USB serial" otherwise.
std::string_view ChipNameByClass(std::string_view usbClass);

}  // namespace quorin
