// The port listing from sysfs: /sys/class/tty/<name>/device leads to the driver and, for USB
// adapters, to the USB device that carries the vendor and product.
#include "platform/posix/SerialPortsSysfs.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>
#include <tuple>

#include "platform/Files.h"

namespace quorin::platform {

namespace fs = std::filesystem;

std::string ReadAttribute(const fs::path& file) {
  // Sysfs attributes and /proc files are short.
  const FileContents contents = ReadWholeFile(file.string(), 64 * 1024);
  if (contents.Error) return {};
  std::string line(contents.Bytes.begin(),
                   std::find(contents.Bytes.begin(), contents.Bytes.end(), '\n'));
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
  return line;
}

namespace {

// "ttyUSB10" -> ("ttyUSB", 10); a name without a number sorts first in its group.
std::pair<std::string, long> SplitName(const std::string& name) {
  std::size_t digits = name.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
  if (digits == name.size() || name.size() - digits > 9) return {name, -1};
  return {name.substr(0, digits), std::stol(name.substr(digits))};
}

int Group(const std::string& name) {
  if (name.rfind("ttyUSB", 0) == 0) return 0;
  if (name.rfind("ttyACM", 0) == 0) return 1;
  return 2;
}

bool ComesFirst(const SerialPortInfo& a, const SerialPortInfo& b) {
  return std::make_tuple(Group(a.Name), SplitName(a.Name)) <
         std::make_tuple(Group(b.Name), SplitName(b.Name));
}

// Walks up from the tty's device to the USB device that carries idVendor (interface, then device).
void FillUsb(const fs::path& device, SerialPortInfo& info) {
  std::error_code ec;
  fs::path dir = fs::canonical(device, ec);
  if (ec) return;
  for (int up = 0; up < 4 && !dir.empty() && dir != dir.root_path();
       ++up, dir = dir.parent_path()) {
    const std::string vendor = ReadAttribute(dir / "idVendor");
    if (vendor.empty()) continue;
    info.Usb = true;
    info.VendorId = vendor;
    info.ProductId = ReadAttribute(dir / "idProduct");
    info.Manufacturer = ReadAttribute(dir / "manufacturer");
    info.Product = ReadAttribute(dir / "product");
    return;
  }
}

std::string Describe(const SerialPortInfo& info) {
  std::string text;
  if (info.Usb) {
    text = info.Product.empty() ? "USB serial adapter" : info.Product;
    if (!info.Manufacturer.empty()) text += " - " + info.Manufacturer;
    text += " [" + info.VendorId + ":" + info.ProductId + "]";
  } else {
    text = "Serial port";
  }
  if (!info.Driver.empty()) text += " (" + info.Driver + ")";
  return text;
}

// A UART slot that the driver registered without finding hardware reports port type 0.
bool HasHardware(const fs::path& entry, bool usb) {
  if (usb) return true;
  const std::string type = ReadAttribute(entry / "type");
  return type.empty() || type != "0";
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts(const fs::path& sysClassTty, const fs::path& devDir) {
  std::vector<SerialPortInfo> ports;
  std::error_code ec;
  for (fs::directory_iterator it(sysClassTty, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path entry = it->path();
    const fs::path device = entry / "device";
    std::error_code exists;
    if (!fs::exists(device, exists)) continue;  // virtual terminals, ptys, console
    SerialPortInfo info;
    info.Name = entry.filename().string();
    info.Path = (devDir / info.Name).string();
    std::error_code driverError;
    const fs::path driver = fs::read_symlink(device / "driver", driverError);
    if (!driverError) info.Driver = driver.filename().string();
    FillUsb(device, info);
    if (!HasHardware(entry, info.Usb)) continue;
    info.Description = Describe(info);
    ports.push_back(std::move(info));
  }
  std::sort(ports.begin(), ports.end(), ComesFirst);
  for (std::size_t i = 0; i < ports.size(); ++i) ports[i].ComNumber = static_cast<unsigned>(i + 1);
  return ports;
}

std::vector<SerialPortInfo> ListSerialPorts() {
  return ListSerialPorts("/sys/class/tty", "/dev");
}

std::string ComPortDevice(unsigned n, const std::vector<SerialPortInfo>& ports) {
  if (n >= 1 && n <= ports.size()) return ports[n - 1].Path;
  return "/dev/ttyS" + std::to_string(n - 1);
}

}  // namespace quorin::platform
