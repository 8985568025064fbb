// The connection doctor's checks 1 to 5 over Linux trees built in the test and Windows device
// lists fed to its fake source.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "iap/Doctor.h"
#include "iap/DoctorText.h"
#include "platform/WindowsDevices.h"
#include "platform/posix/DeviceViewSysfs.h"

namespace quorin {
namespace {

namespace fs = std::filesystem;
using Entries =
    std::map<std::string, std::string>;  // path -> text; "->X": a link to X (root-based)

// A USB device at sys/devices/usb1/ID with one interface; `tty` "ttyUSBn" (below the interface)
// or "ttyACMn" (in its tty folder), or empty.
Entries Usb(const std::string& id, const std::string& vid, const std::string& pid,
            const std::string& driver, const std::string& tty, const std::string& product = "") {
  const std::string dev = "sys/devices/usb1/" + id;
  const std::string iface = dev + "/" + id + ":1.0";
  Entries e{{"sys/bus/usb/devices/" + id, "->" + dev},
            {dev + "/idVendor", vid},
            {dev + "/idProduct", pid},
            {dev + "/bDeviceClass", "00"},
            {iface + "/bInterfaceClass", vid == "046d" ? "03" : "ff"}};
  if (!product.empty()) e[dev + "/product"] = product;
  if (!driver.empty()) e[iface + "/driver"] = "->sys/bus/usb/drivers/" + driver;
  if (!tty.empty()) {
    const std::string ttyDir = iface + (tty.rfind("ttyACM", 0) == 0 ? "/tty/" : "/") + tty;
    e[ttyDir + "/uevent"] = "";
    e["sys/class/tty/" + tty + "/device"] = "->" + ttyDir;
    e["dev/" + tty] = "";
  }
  return e;
}

Entries Joined(std::initializer_list<Entries> parts) {
  Entries all;
  for (const Entries& part : parts) all.insert(part.begin(), part.end());
  return all;
}

const Entries kHubAndMouse = Joined({{{"sys/bus/usb/devices/usb1", "->sys/devices/usb1"},
                                      {"sys/devices/usb1/idVendor", "1d6b"},
                                      {"sys/devices/usb1/idProduct", "0002"},
                                      {"sys/devices/usb1/bDeviceClass", "09"},
                                      {"proc/self/fd/0", ""}},
                                     Usb("1-9", "046d", "c077", "usbhid", "")});

struct LinuxCase {
  const char* name;
  Entries tree;
  std::string port;                 // the target; empty: none
  std::errc openError;              // what opening it gives (std::errc() for success)
  std::vector<std::string> checks;  // "check/severity" in order
  std::vector<std::string> texts;   // in the findings' texts and actions, or the adapters' fields
};

const LinuxCase kLinuxCases[] = {
    {"Ch340Served",
     Joined({kHubAndMouse, Usb("1-1", "1a86", "7523", "ch341", "ttyUSB0", "USB Serial")}),
     "COM1",
     std::errc(),
     {},
     {"COM1|dev/ttyUSB0|1a86:7523|CH340|ch341|USB Serial", "auto: dev/ttyUSB0"}},
    {"Ch340TakenByBrltty",
     Joined({kHubAndMouse,
             Usb("1-1", "1a86", "7523", "", ""),
             {{"usr/lib/udev/rules.d/85-brltty.rules",
               "# Device: 1A86:7523\nENV{PRODUCT}==\"1a86/7523/*\", "
               "ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\"\n"},
              {"proc/812/comm", "brltty\n"}}}),
     "",
     std::errc(),
     {"brltty/problem"},
     {"|1a86:7523|CH340||", "process 812 brltty",
      "its udev rule /usr/lib/udev/rules.d/85-brltty.rules",
      "sudo ln -s /dev/null /etc/udev/rules.d/85-brltty.rules", "sudo apt remove brltty",
      "auto: 0 ports"}},
    {"BrlttyRuleMaskedAndNotRunningLeavesAMissingDriver",
     Joined({kHubAndMouse,
             Usb("1-1", "1a86", "7523", "", ""),
             {{"usr/lib/udev/rules.d/85-brltty.rules", "ENV{PRODUCT}==\"1a86/7523/*\"\n"},
              {"etc/udev/rules.d/85-brltty.rules", "->dev/null-like"}}}),
     "",
     std::errc(),
     {"driver-missing/problem"},
     {"sudo modprobe ch341"}},
    {"BrlttyRuleByAttributes",
     Joined({kHubAndMouse,
             Usb("1-1", "10c4", "ea60", "", ""),
             {{"lib/udev/rules.d/90-brltty-device.rules",
               "SUBSYSTEM==\"usb\", ATTRS{idVendor}==\"10C4\", ATTRS{idProduct}==\"EA60\", "
               "GOTO=\"x\"\n"}}}),
     "",
     std::errc(),
     {"brltty/problem"},
     {"90-brltty-device.rules", "CP210x"}},
    {"Cp2102WithoutTheGroup",
     Joined({kHubAndMouse, Usb("1-2", "10c4", "ea60", "cp210x", "ttyUSB0")}),
     "DEV/ttyUSB0",
     std::errc::permission_denied,
     {"permission/problem"},
     {"You may not use this port"}},
    {"NoAdapter", kHubAndMouse, "", std::errc(), {"no-adapter/problem"}, {"doctor --watch 10"}},
    {"FtdiHeldByAnotherProcess",
     Joined({kHubAndMouse,
             Usb("1-3", "0403", "6001", "ftdi_sio", "ttyUSB0", "FT232R USB UART"),
             {{"proc/4242/comm", "minicom\n"},
              {"proc/4242/cmdline", std::string("minicom\0-D\0x", 12)},
              {"proc/4242/fd/3", "->dev/ttyUSB0"}}}),
     "DEV/ttyUSB0",
     std::errc::device_or_resource_busy,
     {"busy/problem"},
     {"pid 4242 minicom (minicom -D x)"}},
    {"PortNotHere",
     Joined({kHubAndMouse, Usb("1-1", "1a86", "7523", "ch341", "ttyUSB0")}),
     "COM3",
     std::errc::no_such_file_or_directory,
     {"port-missing/problem"},
     {"COM3 (from --port) is not here; your CH340 adapter is COM1", "Use --port COM1"}},
    {"ModemManagerRuns",
     Joined({kHubAndMouse,
             Usb("1-4", "1a86", "55d4", "cdc_acm", "ttyACM0"),
             Usb("1-5", "0403", "6015", "ftdi_sio", "ttyUSB1"),
             {{"sys/fs/cgroup/system.slice/ModemManager.service/cgroup.procs", "733\n"}}}),
     "",
     std::errc(),
     {"modem-manager/warning"},
     {"COM2|dev/ttyACM0|1a86:55d4|CH9102|cdc_acm|", "auto: 2 ports",
      "ATTRS{idVendor}==\"1a86\", ATTRS{idProduct}==\"55d4\""}},
};

// What a case looks at: the findings' checks, and one text holding every field and finding.
struct Seen {
  std::vector<std::string> checks;
  std::string all;
  DoctorResult result;
};

Seen Look(const platform::DeviceView& view, const std::string& port, std::errc openError,
          const fs::path& root = {}) {
  DoctorTarget target{port, "--port"};
  // "DEV/x" names the tree's own device x.
  if (port.rfind("DEV/", 0) == 0) target.Name = (root / "dev" / port.substr(4)).string();
  const auto probe = [openError](const std::string&, std::string& text) {
    if (openError != std::errc()) text = "打开串口出错";
    return std::make_error_code(openError);
  };
  Seen seen;
  seen.result = Diagnose(GatherDoctorFacts(view, target, probe), OutsideTextUse::Exact);
  for (const Finding& f : seen.result.Findings) {
    seen.checks.push_back(f.Check + "/" + std::string(SeverityName(f.Level)));
    seen.all += f.Text + "\n" + f.Action + "\n";
    EXPECT_FALSE(f.Text.empty()) << f.Check;
    EXPECT_TRUE(f.Level != Severity::Problem || !f.Action.empty()) << f.Check;
  }
  const auto shown = [&root](const std::string& device) {
    return root.empty() || device.rfind(root.string(), 0) != 0
               ? device
               : device.substr(root.string().size() + 1);
  };
  const AutoPortChoice choice = ChooseAutoPort(view.Look());
  seen.all += "auto: " +
              (choice.Name.empty() ? std::to_string(choice.WithPort.size()) + " ports"
                                   : shown(choice.Name)) +
              "\n";
  for (const DoctorAdapter& a : seen.result.Adapters) {
    const std::string device = shown(a.Device);
    seen.all += a.Port + "|" + device + "|" + a.UsbId + "|" + a.Chip + "|" + a.Driver + "|" +
                a.Description + "\n";
  }
  return seen;
}

class LinuxTree : public ::testing::TestWithParam<LinuxCase> {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("quorin-doctor-" + std::to_string(::getpid()));
    fs::remove_all(root);
    for (const auto& [path, text] : GetParam().tree) {
      fs::create_directories((root / path).parent_path());
      if (text.rfind("->", 0) == 0) {
        if (!fs::exists(root / text.substr(2))) fs::create_directories(root / text.substr(2));
        fs::create_symlink(root / text.substr(2), root / path);
      } else {
        std::ofstream(root / path, std::ios::binary) << text;
      }
    }
    // A masked rule is a link to something that is no regular file.
    fs::remove_all(root / "dev/null-like");
  }
  void TearDown() override { fs::remove_all(root); }
  fs::path root;
};

TEST_P(LinuxTree, FindsWhatStandsBetweenToolAndController) {
  const LinuxCase& c = GetParam();
  const std::unique_ptr<platform::DeviceView> view = platform::SysfsDeviceView(root);
  const Seen seen = Look(*view, c.port, c.openError, root);
  EXPECT_EQ(seen.checks, c.checks);
  for (const std::string& text : c.texts)
    EXPECT_NE(seen.all.find(text), std::string::npos) << text << "\nin\n" << seen.all;
  for (const DoctorAdapter& a : seen.result.Adapters) EXPECT_NE(a.UsbId, "046d:c077");  // a mouse
}

INSTANTIATE_TEST_SUITE_P(Checks, LinuxTree, ::testing::ValuesIn(kLinuxCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Windows: records as SetupAPI gives them.
class FakeSource final : public platform::WindowsDeviceSource {
 public:
  FakeSource(std::vector<platform::WindowsDeviceRecord> devices, std::vector<std::string> ports)
      : devices_(std::move(devices)), ports_(std::move(ports)) {}
  std::vector<platform::WindowsDeviceRecord> Devices() const override { return devices_; }
  std::vector<platform::SerialPortInfo> Ports() const override {
    std::vector<platform::SerialPortInfo> ports;
    for (const std::string& name : ports_)
      ports.push_back({"\\\\.\\" + name, name, "Serial", "", "", "", "", false, ""});
    return ports;
  }

 private:
  std::vector<platform::WindowsDeviceRecord> devices_;
  std::vector<std::string> ports_;
};

platform::WindowsDeviceRecord Node(std::string id, std::string parent, std::string hardwareId,
                                   std::string service, std::string port, unsigned problem = 0,
                                   bool present = true) {
  platform::WindowsDeviceRecord r;
  r.InstanceId = std::move(id);
  r.ParentId = std::move(parent);
  r.HardwareIds = {std::move(hardwareId)};
  r.ClassName = port.empty() ? "USB" : "Ports";
  r.Service = std::move(service);
  r.FriendlyName = port.empty() ? "USB-Serial Controller" : "USB Serial Port (" + port + ")";
  r.PortName = std::move(port);
  r.ProblemCode = problem;
  r.Present = present;
  return r;
}

struct WindowsCase {
  const char* name;
  std::vector<platform::WindowsDeviceRecord> devices;
  std::vector<std::string> ports;
  std::string port;
  std::errc openError;
  std::vector<std::string> checks;
  std::vector<std::string> texts;
  std::size_t adapters;
};

const WindowsCase kWindowsCases[] = {
    {"Pl2303WithCode10",
     {Node("USB\\VID_067B&PID_2303\\5&1F&0&1", "USB\\ROOT_HUB30\\4&2",
           "USB\\VID_067B&PID_2303&REV_0300", "Ser2pl", "", 10)},
     {},
     "",
     std::errc(),
     {"driver-missing/problem"},
     {"code 10: the device cannot start", "older Prolific driver", "||067b:2303|PL2303|Ser2pl|"},
     1},
    {"Ch340WithoutDriver",
     {Node("USB\\VID_1A86&PID_7523\\5&1F&0&2", "", "USB\\VID_1A86&PID_7523&REV_0264", "", "", 28)},
     {},
     "",
     std::errc(),
     {"driver-missing/problem"},
     {"code 28: no driver is installed", "CH341SER"},
     1},
    {"ComNumberOfAnUnpluggedAdapter",
     {Node("USB\\VID_1A86&PID_7523\\5&1F&0&2", "", "USB\\VID_1A86&PID_7523&REV_0264",
           "CH341SER_A64", "COM3", 0, false),
      Node("USB\\VID_10C4&PID_EA60\\0001", "", "USB\\VID_10C4&PID_EA60&REV_0100", "silabser",
           "COM7")},
     {"COM1", "COM7"},
     "COM3",
     std::errc::no_such_file_or_directory,
     {"port-missing/problem"},
     {"your CP210x adapter is COM7", "COM3 belongs to a CH340 adapter", "not plugged in now",
      "Use --port COM7", "auto: COM7"},
     1},
    {"FtdiPortBelowItsUsbDevice",
     {Node("FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", "USB\\VID_0403&PID_6001\\A50285BI",
           "FTDIBUS\\COMPORT&VID_0403&PID_6001", "FTSER2K", "COM4"),
      Node("USB\\VID_0403&PID_6001\\A50285BI", "USB\\ROOT_HUB30\\4&2",
           "USB\\VID_0403&PID_6001&REV_0600", "FTDIBUS", "")},
     {"COM4"},
     "COM4",
     std::errc(),
     {},
     {"COM4|\\\\.\\COM4|0403:6001|FT232R|FTSER2K|USB Serial Port (COM4)"},
     1},
};

class WindowsList : public ::testing::TestWithParam<WindowsCase> {};

TEST_P(WindowsList, FindsWhatStandsBetweenToolAndController) {
  const WindowsCase& c = GetParam();
  const auto view = platform::WindowsDeviceView(std::make_unique<FakeSource>(c.devices, c.ports));
  Seen seen = Look(*view, c.port, c.openError);
  EXPECT_EQ(seen.checks, c.checks);
  // Windows devices are "\\.\COMn": shown here without the prefix.
  for (const std::string& text : c.texts)
    EXPECT_NE(seen.all.find(text), std::string::npos) << text << "\nin\n" << seen.all;
  EXPECT_EQ(seen.result.Adapters.size(), c.adapters);
}

INSTANTIATE_TEST_SUITE_P(Checks, WindowsList, ::testing::ValuesIn(kWindowsCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DoctorOutsideText, ExactForJsonCleanedForTheTerminal) {
  const auto view = platform::WindowsDeviceView(std::make_unique<FakeSource>(
      std::vector{Node("USB\\VID_1A86&PID_7523\\1", "", "USB\\VID_1A86&PID_7523", "", "", 28)},
      std::vector<std::string>{}));
  DoctorFacts facts = GatherDoctorFacts(*view, {}, {});
  facts.Snapshot.Usb[0].Product = "Evil\x1b]0;x\a\nok";
  const std::string exact = Diagnose(facts, OutsideTextUse::Exact).Findings.at(0).Text;
  const std::string text = DoctorText(Diagnose(facts, OutsideTextUse::TerminalSafe));
  EXPECT_NE(exact.find("Evil\x1b]0;x\a\nok"), std::string::npos) << exact;
  EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
  EXPECT_NE(text.find("Evil?]0;x??ok"), std::string::npos) << text;
}

}  // namespace
}  // namespace quorin
