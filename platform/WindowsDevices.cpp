#include "platform/WindowsDevices.h"

#include <cctype>
#include <map>

namespace quorin::platform {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The four hex digits after `key` ("VID_", "PID_") in `id`, lower case; empty when absent.
std::string HexAfter(const std::string& id, const std::string& key) {
  const std::string upper = Upper(id);
  const std::size_t at = upper.find(key);
  if (at == std::string::npos || at + key.size() + 4 > id.size()) return {};
  const std::string digits = Lower(id.substr(at + key.size(), 4));
  for (const char c : digits) {
    if (std::isxdigit(static_cast<unsigned char>(c)) == 0) return {};
  }
  return digits;
}

// The USB class the compatible ids name ("USB\Class_02&SubClass_02" -> "02").
std::string ClassOf(const WindowsDeviceRecord& record) {
  for (const std::string& id : record.CompatibleIds) {
    const std::string upper = Upper(id);
    const std::size_t at = upper.find("CLASS_");
    if (at != std::string::npos && at + 8 <= id.size()) return Lower(id.substr(at + 6, 2));
  }
  return {};
}

UsbDeviceRecord FromRecord(const WindowsDeviceRecord& record, const std::string& vendor,
                           const std::string& product) {
  UsbDeviceRecord usb;
  usb.Id = record.InstanceId;
  usb.VendorId = vendor;
  usb.ProductId = product;
  usb.Class = ClassOf(record);
  usb.Manufacturer = record.Manufacturer;
  usb.Product = record.FriendlyName;
  usb.Driver = record.Service;
  usb.Port = record.PortName;
  if (!usb.Port.empty()) usb.Device = "\\\\.\\" + usb.Port;
  usb.ProblemCode = record.ProblemCode;
  usb.Present = record.Present;
  return usb;
}

// A child node's port, driver and problem count for the device it belongs to.
void Fold(UsbDeviceRecord& into, const UsbDeviceRecord& child) {
  if (into.Port.empty() && !child.Port.empty()) {
    into.Port = child.Port;
    into.Device = child.Device;
    into.Driver = child.Driver;  // the port's driver (FTDI's FTSER2K over FTDIBUS)
    if (!child.Product.empty()) into.Product = child.Product;
  }
  if (into.Driver.empty()) into.Driver = child.Driver;
  if (into.Class.empty()) into.Class = child.Class;
  if (into.ProblemCode == 0) into.ProblemCode = child.ProblemCode;
}

class View final : public DeviceView {
 public:
  explicit View(std::unique_ptr<WindowsDeviceSource> source) : source_(std::move(source)) {}
  DeviceSnapshot Look() const override {
    DeviceSnapshot snapshot;
    snapshot.System = DeviceSystem::Windows;
    snapshot.Usb = UsbDevicesFromRecords(source_->Devices());
    snapshot.Ports = source_->Ports();
    return snapshot;
  }
  bool Exists(const std::string& device) const override {
    for (const SerialPortInfo& port : source_->Ports()) {
      if (Upper(port.Path) == Upper(device)) return true;
    }
    return false;
  }
  PortHolderList Holders(const std::string&) const override { return {}; }
  DeviceGroup Group(const std::string&) const override { return {}; }

 private:
  std::unique_ptr<WindowsDeviceSource> source_;
};

}  // namespace

std::vector<UsbDeviceRecord> UsbDevicesFromRecords(
    const std::vector<WindowsDeviceRecord>& records) {
  // SetupAPI lists nodes in no promised order: first every node with USB ids, then each is
  // folded into the topmost ancestor that has the same ids.
  std::vector<UsbDeviceRecord> nodes;
  std::vector<std::string> parents;
  std::map<std::string, std::size_t> byInstance;  // upper-case instance id -> index in nodes
  for (const WindowsDeviceRecord& record : records) {
    std::string vendor;
    std::string product;
    for (const std::string& id : record.HardwareIds) {
      vendor = HexAfter(id, "VID_");
      product = HexAfter(id, "PID_");
      if (!vendor.empty() && !product.empty()) break;
    }
    if (vendor.empty() || product.empty()) continue;
    byInstance.emplace(Upper(record.InstanceId), nodes.size());
    nodes.push_back(FromRecord(record, vendor, product));
    parents.push_back(Upper(record.ParentId));
  }
  auto topOf = [&](std::size_t index) {
    for (std::size_t steps = 0; steps < nodes.size(); ++steps) {
      const auto parent = byInstance.find(parents[index]);
      if (parent == byInstance.end() || nodes[parent->second].VendorId != nodes[index].VendorId ||
          nodes[parent->second].ProductId != nodes[index].ProductId) {
        break;
      }
      index = parent->second;
    }
    return index;
  };
  std::vector<std::size_t> top(nodes.size());
  for (std::size_t i = 0; i < nodes.size(); ++i) top[i] = topOf(i);
  std::vector<UsbDeviceRecord> devices;
  std::map<std::size_t, std::size_t> placed;  // node index of a top node -> index in devices
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    if (top[i] == i) {
      placed.emplace(i, devices.size());
      devices.push_back(nodes[i]);
    }
  }
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    if (top[i] != i) Fold(devices[placed.at(top[i])], nodes[i]);
  }
  return devices;
}

std::unique_ptr<DeviceView> WindowsDeviceView(std::unique_ptr<WindowsDeviceSource> source) {
  return std::make_unique<View>(std::move(source));
}

}  // namespace quorin::platform
