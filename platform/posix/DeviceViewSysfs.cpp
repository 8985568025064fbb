// The device facts of a Linux tree. Every USB device in sys/bus/usb/devices is a link to its
// folder in sys/devices; its interfaces are subfolders named "<device>:<config>.<interface>", and
// a tty's sysfs device lies below the interface that serves it.
#include "platform/posix/DeviceViewSysfs.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>
#include <system_error>

#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/posix/PortHoldersProc.h"
#include "platform/posix/SerialPortsSysfs.h"

namespace quorin::platform {
namespace {

namespace fs = std::filesystem;

// Udev rule files are a few hundred kB at most.
constexpr std::size_t kRuleFileLimit = 4 * 1024 * 1024;

// The regular file's text, or empty (absent, a FIFO, a device, too large).
std::string FileText(const fs::path& file) {
  const FileContents contents = ReadWholeFile(file.string(), kRuleFileLimit);
  if (contents.Error) return {};
  return std::string(contents.Bytes.begin(), contents.Bytes.end());
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string LinkName(const fs::path& link) {
  std::error_code error;
  const fs::path target = fs::read_symlink(link, error);
  return error ? std::string() : target.filename().string();
}

fs::path Canonical(const fs::path& path) {
  std::error_code error;
  fs::path canonical = fs::canonical(path, error);
  return error ? fs::path() : canonical;
}

bool IsBelow(const fs::path& inner, const fs::path& outer) {
  const std::string in = inner.string();
  const std::string out = outer.string() + "/";
  return !outer.empty() && in.compare(0, out.size(), out) == 0;
}

std::vector<fs::path> Entries(const fs::path& dir) {
  std::vector<fs::path> entries;
  std::error_code error;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    entries.push_back(it->path());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

class SysfsView final : public DeviceView {
 public:
  explicit SysfsView(fs::path root) : root_(std::move(root)) {}

  DeviceSnapshot Look() const override {
    DeviceSnapshot snapshot;
    snapshot.Ports = ListSerialPorts(root_ / "sys/class/tty", root_ / "dev");
    std::vector<std::pair<fs::path, const SerialPortInfo*>> ttys;
    for (const SerialPortInfo& port : snapshot.Ports) {
      ttys.emplace_back(Canonical(root_ / "sys/class/tty" / port.Name / "device"), &port);
    }
    for (const fs::path& entry : Entries(root_ / "sys/bus/usb/devices")) {
      const std::string name = entry.filename().string();
      if (name.find(':') != std::string::npos) continue;  // an interface
      if (auto record = Device(entry, ttys)) snapshot.Usb.push_back(std::move(*record));
    }
    snapshot.ServicesTold = fs::is_directory(root_ / "proc");
    Processes(snapshot);
    Units(snapshot);
    snapshot.BrlttyRules = BrlttyRules();
    return snapshot;
  }

  bool Exists(const std::string& device) const override {
    std::error_code error;
    return fs::exists(device, error);
  }
  PortHolderList Holders(const std::string& device) const override {
    return HoldersOf(device, (root_ / "proc").string());
  }
  DeviceGroup Group(const std::string& device) const override { return GroupOf(device); }

 private:
  std::optional<UsbDeviceRecord> Device(
      const fs::path& entry,
      const std::vector<std::pair<fs::path, const SerialPortInfo*>>& ttys) const {
    const std::string deviceClass = Lower(ReadAttribute(entry / "bDeviceClass"));
    if (deviceClass == "09") return std::nullopt;  // a hub
    UsbDeviceRecord record;
    record.Id = entry.filename().string();
    record.VendorId = Lower(ReadAttribute(entry / "idVendor"));
    record.ProductId = Lower(ReadAttribute(entry / "idProduct"));
    if (record.VendorId.empty()) return std::nullopt;
    record.Manufacturer = ReadAttribute(entry / "manufacturer");
    record.Product = ReadAttribute(entry / "product");
    record.Class = deviceClass;
    bool classTaken = false;
    for (const fs::path& interface : Entries(entry)) {
      const std::string name = interface.filename().string();
      if (name.rfind(record.Id + ":", 0) != 0) continue;
      const std::string interfaceClass = Lower(ReadAttribute(interface / "bInterfaceClass"));
      if (!classTaken && !interfaceClass.empty()) {
        record.Class = interfaceClass;
        classTaken = true;
      }
      const std::string driver = LinkName(interface / "driver");
      const fs::path interfaceFolder = Canonical(interface);
      for (const auto& [ttyDevice, port] : ttys) {
        if (record.Port.empty() && IsBelow(ttyDevice, interfaceFolder)) {
          record.Port = port->Name;
          record.Device = port->Path;
          record.Driver = driver;
        }
      }
      if (record.Driver.empty()) record.Driver = driver;
    }
    return record;
  }

  void Processes(DeviceSnapshot& snapshot) const {
    for (const fs::path& process : Entries(root_ / "proc")) {
      const std::optional<std::uint64_t> id = ProcessIdOf(process.filename().string());
      if (!id) continue;
      const std::string name = ReadAttribute(process / "comm");
      ServiceState* service = name == "brltty"         ? &snapshot.Brltty
                              : name == "ModemManager" ? &snapshot.ModemManager
                                                       : nullptr;
      if (service != nullptr) service->Processes.push_back(PortHolder{*id, name, {}});
    }
  }

  void Units(DeviceSnapshot& snapshot) const {
    for (const fs::path& unit : Entries(root_ / "sys/fs/cgroup/system.slice")) {
      const std::string name = unit.filename().string();
      if (name.rfind("brltty", 0) == 0 && name.find(".service") != std::string::npos) {
        snapshot.Brltty.Units.push_back(name);
      } else if (name == "ModemManager.service") {
        snapshot.ModemManager.Units.push_back(name);
      }
    }
  }

  std::vector<RuleFile> BrlttyRules() const {
    std::vector<RuleFile> rules;
    std::set<std::string> seen;
    for (const char* folder :
         {"etc/udev/rules.d", "run/udev/rules.d", "usr/lib/udev/rules.d", "lib/udev/rules.d"}) {
      for (const fs::path& file : Entries(root_ / folder)) {
        const std::string name = file.filename().string();
        if (name.find("brltty") == std::string::npos || !seen.insert(name).second) continue;
        std::error_code error;
        if (!fs::is_regular_file(file, error)) continue;  // masked (a link to /dev/null)
        rules.push_back(RuleFile{"/" + (fs::path(folder) / name).string(), FileText(file)});
      }
    }
    return rules;
  }

  const fs::path root_;
};

}  // namespace

std::unique_ptr<DeviceView> SysfsDeviceView(const fs::path& root) {
  return std::make_unique<SysfsView>(root);
}

std::unique_ptr<DeviceView> SystemDeviceView() {
  return SysfsDeviceView("/");
}

}  // namespace quorin::platform
