#include "iap/Doctor.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "comm/PortNames.h"
#include "iap/OpenAdvice.h"
#include "iap/UsbChips.h"
#include "platform/OutsideText.h"

namespace quorin {
namespace {

using platform::DeviceSnapshot;
using platform::DeviceSystem;
using platform::UsbDeviceRecord;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string UsbIdOf(const UsbDeviceRecord& device) {
  return device.VendorId + ":" + device.ProductId;
}

// A known chip, or a device that gives a serial port.
bool IsSerialAdapter(const UsbDeviceRecord& device) {
  return FindUsbChip(device.VendorId, device.ProductId) != nullptr || !device.Port.empty();
}

std::string ChipOf(const UsbDeviceRecord& device) {
  const UsbChip* chip = FindUsbChip(device.VendorId, device.ProductId);
  return std::string(chip != nullptr ? chip->Name : ChipNameByClass(device.Class));
}

// Linux counts COMn over the port listing; Windows names its ports itself.
std::string PortNameOf(const UsbDeviceRecord& device, const DeviceSnapshot& snapshot) {
  if (device.Port.empty() || snapshot.System == DeviceSystem::Windows) return device.Port;
  for (std::size_t i = 0; i < snapshot.Ports.size(); ++i) {
    if (snapshot.Ports[i].Name == device.Port) return "COM" + std::to_string(i + 1);
  }
  return device.Port;
}

// Every byte the loopback sent came back unchanged.
bool LoopbackPassed(const LoopbackFacts& loop) {
  return loop.Opened && loop.Sent > 0 && loop.Received == loop.Sent && !loop.FirstDifference;
}

// What the windows problem codes the doctor meets mean, in words.
std::string ProblemInWords(unsigned code) {
  switch (code) {
    case 10:
      return "code 10: the device cannot start (its driver refuses the chip)";
    case 22:
      return "code 22: the device is disabled";
    case 28:
      return "code 28: no driver is installed for it";
    case 43:
      return "code 43: Windows stopped it after it reported a fault";
    case 52:
      return "code 52: Windows cannot verify its driver's signature";
    default:
      return "problem code " + std::to_string(code);
  }
}

// Builds the texts of the findings, with outside text shown as `use` says.
class Findings {
 public:
  Findings(const DoctorFacts& facts, OutsideTextUse use) : facts_(facts), use_(use) {}

  DoctorResult Make() {
    result_.Adapters = SerialAdapters(facts_.Snapshot);
    NoAdapter();
    for (const UsbDeviceRecord& device : facts_.Snapshot.Usb) {
      const UsbChip* chip = FindUsbChip(device.VendorId, device.ProductId);
      if (device.Present && chip != nullptr) DriverOrBrltty(device, *chip);
    }
    ModemManager();
    Port();
    Loopback();
    Controller();
    return std::move(result_);
  }

 private:
  std::string Shown(std::string_view outside) const {
    return use_ == OutsideTextUse::Exact ? std::string(outside) : platform::TerminalSafe(outside);
  }

  void Add(std::string check, Severity level, std::string text, std::string action) {
    result_.Findings.push_back(
        Finding{std::move(check), level, std::move(text), std::move(action)});
  }

  // "your CH340 adapter (1a86:7523, "USB Serial")"
  std::string Named(const UsbDeviceRecord& device) const {
    std::string text = "a " + ChipOf(device) + " adapter (" + UsbIdOf(device);
    if (!device.Product.empty()) text += ", \"" + Shown(device.Product) + "\"";
    return text + ")";
  }

  // A line check that went well shows a working line (an on-board UART, a pseudo-terminal).
  bool LineWorks() const {
    const auto& line = facts_.Controller;
    return (facts_.Loopback && LoopbackPassed(*facts_.Loopback)) ||
           (line && line->StxSeen && line->FdSeen);
  }

  void NoAdapter() {
    if (!result_.Adapters.empty() || LineWorks()) return;
    std::string text = "No USB serial adapter is connected";
    if (!facts_.Snapshot.Ports.empty()) {
      text += " (the serial ports here are the machine's own:";
      for (const auto& port : facts_.Snapshot.Ports) text += " " + Shown(port.Name);
      text += ")";
    }
    text += ". A cable that only charges, a dead adapter or a dead USB port looks like this.";
    Add("no-adapter", Severity::Problem, text,
        "Plug the programming cable in and run `quorin-iap-cli doctor --watch 10`; if nothing "
        "appears, try another cable or USB port.");
  }

  // Linux: the rule files of brltty that name the adapter's id.
  std::vector<std::string> RulesNaming(const UsbDeviceRecord& device) const {
    std::vector<std::string> names;
    const auto trimmed = [](const std::string& hex) {
      const std::size_t first = hex.find_first_not_of('0');
      return first == std::string::npos ? std::string("0") : hex.substr(first);
    };
    const std::string product =
        "ENV{PRODUCT}==\"" + trimmed(device.VendorId) + "/" + trimmed(device.ProductId) + "/";
    const std::string vendorAttr = "ATTRS{idVendor}==\"" + device.VendorId + "\"";
    const std::string productAttr = "ATTRS{idProduct}==\"" + device.ProductId + "\"";
    for (const platform::RuleFile& rule : facts_.Snapshot.BrlttyRules) {
      std::size_t start = 0;
      while (start < rule.Text.size()) {
        std::size_t end = rule.Text.find('\n', start);
        if (end == std::string::npos) end = rule.Text.size();
        const std::string line = rule.Text.substr(start, end - start);
        start = end + 1;
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        const std::string lower = [&] {
          std::string l = line;
          for (std::size_t i = 0; i < l.size(); ++i) {
            // Only the quoted values are compared without regard to case.
            if (l[i] == '"') {
              const std::size_t close = l.find('"', i + 1);
              for (std::size_t j = i + 1; j < close && j < l.size(); ++j) {
                l[j] = static_cast<char>(std::tolower(static_cast<unsigned char>(l[j])));
              }
              i = close == std::string::npos ? l.size() : close;
            }
          }
          return l;
        }();
        if (lower.find(product) != std::string::npos ||
            (lower.find(vendorAttr) != std::string::npos &&
             lower.find(productAttr) != std::string::npos)) {
          names.push_back(rule.Path);
          break;
        }
      }
    }
    return names;
  }

  void DriverOrBrltty(const UsbDeviceRecord& device, const UsbChip& chip) {
    const DeviceSnapshot& snapshot = facts_.Snapshot;
    if (snapshot.System == DeviceSystem::Windows) {
      if (device.ProblemCode == 0 && !device.Port.empty()) return;
      std::string package(chip.WindowsPackage);
      if (chip.Name == "PL2303" && device.ProblemCode == 10) {
        package =
            "the older Prolific driver (v3.3.2.102, from 2008): current drivers refuse the "
            "phased-out PL2303 chips that older cables carry";
      }
      Add("driver-missing", Severity::Problem,
          "Windows has " + Named(device) + " without a working driver" +
              (device.ProblemCode != 0 ? " (" + ProblemInWords(device.ProblemCode) + ")"
                                       : std::string(" (it gives no COM port)")) +
              ".",
          "Install " + package + ", then unplug the adapter and plug it in again.");
      return;
    }
    if (!device.Port.empty()) return;
    const std::vector<std::string> rules = RulesNaming(device);
    if (snapshot.Brltty.Running() || !rules.empty()) {
      Brltty(device, rules);
      return;
    }
    if (!device.Driver.empty() && device.Driver != "usbfs") return;  // served, just no tty yet
    const std::string module(chip.LinuxDriver);
    Add("driver-missing", Severity::Problem,
        "Linux has " + Named(device) + " but no driver bound to it, so it gives no serial port.",
        "Load its driver with `sudo modprobe " + module +
            "`; when that module is missing, install your distribution's extra kernel modules "
            "(Ubuntu: `sudo apt install linux-modules-extra-$(uname -r)`), then unplug the "
            "adapter and plug it in again.");
  }

  void Brltty(const UsbDeviceRecord& device, const std::vector<std::string>& rules) {
    const platform::ServiceState& brltty = facts_.Snapshot.Brltty;
    std::string text = "A" + Named(device).substr(1) +
                       " is plugged in but has no serial port: brltty, the braille display "
                       "service, takes adapters with this id";
    std::vector<std::string> seen;
    for (const auto& process : brltty.Processes) {
      seen.push_back("process " + std::to_string(process.ProcessId) + " " + Shown(process.Name));
    }
    for (const auto& unit : brltty.Units) seen.push_back("unit " + Shown(unit));
    for (const auto& rule : rules) seen.push_back("its udev rule " + Shown(rule));
    text += " (";
    for (std::size_t i = 0; i < seen.size(); ++i) text += (i > 0 ? ", " : "") + seen[i];
    text += ").";
    std::string action =
        "If you use no braille display, remove it: `sudo apt remove brltty`. Otherwise stop it "
        "from taking the adapter for good:";
    for (const auto& rule : rules) {
      const std::string name = rule.substr(rule.find_last_of('/') + 1);
      action += "\n  sudo ln -s /dev/null /etc/udev/rules.d/" + Shown(name);
    }
    action +=
        "\n  sudo systemctl mask brltty-udev.service brltty.path"
        "\n  sudo systemctl stop brltty-udev.service brltty.service"
        "\n  sudo udevadm control --reload"
        "\nthen unplug the adapter and plug it in again.";
    Add("brltty", Severity::Problem, text, action);
  }

  void ModemManager() {
    const platform::ServiceState& modem = facts_.Snapshot.ModemManager;
    if (!modem.Running()) return;
    std::string text =
        "ModemManager is running: it opens every new USB serial adapter for a few seconds to "
        "probe it as a modem, and a job started then finds the port busy";
    if (!modem.Processes.empty()) {
      text += " (process " + std::to_string(modem.Processes.front().ProcessId) + ")";
    }
    std::string action = "Make it leave the adapter alone:";
    for (const DoctorAdapter& adapter : result_.Adapters) {
      const std::string vendor = adapter.UsbId.substr(0, 4);
      const std::string product = adapter.UsbId.substr(5);
      action += "\n  echo 'ATTRS{idVendor}==\"" + vendor + "\", ATTRS{idProduct}==\"" + product +
                "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"' | sudo tee -a "
                "/etc/udev/rules.d/99-quorin-iap.rules";
    }
    action += result_.Adapters.empty()
                  ? "\n  sudo systemctl stop ModemManager   (until the next boot)"
                  : "\n  sudo udevadm control --reload\nor stop it until the next boot: "
                    "`sudo systemctl stop ModemManager`.";
    Add("modem-manager", Severity::Warning, text + ".", action);
  }

  // "your CH340 adapter is COM7" for every adapter with a port.
  std::string WhatIsHere() const {
    std::string text;
    for (const DoctorAdapter& adapter : result_.Adapters) {
      if (adapter.Port.empty()) continue;
      text += text.empty() ? "; " : ", ";
      text += "your " + adapter.Chip + " adapter is " + Shown(adapter.Port);
      if (adapter.Device != adapter.Port && !adapter.Device.empty()) {
        text += " (" + Shown(adapter.Device) + ")";
      }
    }
    return text.empty() ? "; no USB serial adapter gives a port now" : text;
  }

  void Port() {
    if (!facts_.Port) return;
    const PortFacts& port = *facts_.Port;
    const std::string name = Shown(facts_.Target.Name);
    const std::string from = Shown(facts_.Target.Source);
    const auto withPort = std::find_if(result_.Adapters.begin(), result_.Adapters.end(),
                                       [](const DoctorAdapter& a) { return !a.Port.empty(); });
    const std::string choose =
        withPort == result_.Adapters.end()
            ? std::string("Connect the adapter, then choose its port")
            : "Use --port " + Shown(withPort->Port) + " (in the window: Uart > Uart Port)";
    if (!port.Present || port.Error == std::errc::no_such_file_or_directory ||
        port.Error == std::errc::no_such_device ||
        port.Error == std::errc::no_such_device_or_address) {
      std::string text = name + " (from " + from + ") is not here" + WhatIsHere() + ".";
      for (const UsbDeviceRecord& device : facts_.Snapshot.Usb) {
        if (!device.Present && !device.Port.empty() &&
            Upper(device.Port) == Upper(facts_.Target.Name)) {
          text += " " + name + " belongs to " + Named(device) + " that is not plugged in now.";
          break;
        }
      }
      Add("port-missing", Severity::Problem, text, choose + ".");
      return;
    }
    if (port.Opened) return;
    const std::string reason = port.Error ? port.Error.message() : port.ErrorText;
    const std::string text = OpenFailureHeadline(name, reason) + " (from " + from + ").";
    switch (port.Facts.Refusal) {
      case platform::OpenRefusal::Busy:
        Add("busy", Severity::Problem, text, OpenFailureAction(port.Facts));
        return;
      case platform::OpenRefusal::NoPermission:
        Add("permission", Severity::Problem, text, OpenFailureAction(port.Facts));
        return;
      default:
        Add("port-missing", Severity::Problem,
            text + " It is not a serial port that works" + WhatIsHere() + ".", choose + ".");
        return;
    }
  }

  // A line check could not open the port that the open check opened before.
  void NotOpenedAgain(std::string check, const std::string& purpose) {
    Add(std::move(check), Severity::Problem,
        Shown(facts_.Target.Name) + " could not be opened again " + purpose + ".",
        "Another program may have taken the port meanwhile, or the adapter was unplugged: run "
        "`quorin-iap-cli doctor` again.");
  }

  void Loopback() {
    if (!facts_.Loopback) return;
    const LoopbackFacts& loop = *facts_.Loopback;
    const std::string name = Shown(facts_.Target.Name);
    if (!loop.Opened) return NotOpenedAgain("loopback-failed", "for the loopback");
    if (LoopbackPassed(loop)) {
      const double rate = loop.Seconds > 0 ? static_cast<double>(loop.Sent) / loop.Seconds : 0;
      char figures[160];
      std::snprintf(figures, sizeof figures,
                    "%zu bytes came back unchanged in %.3f s (%.0f bytes/s at %u baud; the line "
                    "carries at most %u bytes/s)",
                    loop.Sent, loop.Seconds, rate, static_cast<unsigned>(loop.Baud),
                    static_cast<unsigned>(loop.Baud / 10));
      Add("loopback-ok", Severity::Ok,
          "Loopback on " + name + ": " + figures + ". The adapter and the serial line work.",
          "Remove the TX-RX bridge and connect the controller.");
      return;
    }
    std::string seen =
        std::to_string(loop.Received) + " of " + std::to_string(loop.Sent) + " bytes came back";
    if (loop.FirstDifference) {
      char difference[120];
      std::snprintf(difference, sizeof difference,
                    ", the first wrong one at offset %zu (0x%02X instead of 0x%02X)",
                    *loop.FirstDifference, loop.Got, loop.Expected);
      seen += difference;
    }
    Add("loopback-failed", Severity::Problem, "Loopback on " + name + ": " + seen + ".",
        loop.Received == 0
            ? "Bridge TX and RX of the adapter (pins or wires of the cable's plug), then run "
              "`quorin-iap-cli doctor --loopback` again; when nothing comes back with the bridge "
              "in place, the adapter or its driver is faulty."
            : "Check the bridge and the cable for loose contacts and run the loopback again; "
              "bytes that come back changed point at a faulty adapter or a noisy cable.");
  }

  void Controller() {
    if (!facts_.Controller) return;
    const ControllerFacts& line = *facts_.Controller;
    const std::string name = Shown(facts_.Target.Name);
    if (!line.Opened) return NotOpenedAgain("no-answer", "to ask the controller");
    const bool talks = line.ApplicationBytes > 0;
    if (talks) {
      std::string sample;
      for (const std::uint8_t byte : line.ApplicationSample) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", byte);
        sample += hex;
      }
      Add("application-talks", Severity::Warning,
          "The controller's application is running and talks on " + name + " (" +
              std::to_string(line.ApplicationBytes) + " bytes in about a second at " +
              std::to_string(line.ListenBaud) + " baud:" + sample + ").",
          "Nothing to do: a job restarts the controller into its loader first.");
    }
    if (line.StxSeen && line.FdSeen) {
      Add("loader-answers", Severity::Ok,
          "The controller's loader answered the identification request on " + name + " at " +
              std::to_string(line.LoaderBaud) + " baud (after " + std::to_string(line.Requests) +
              (line.Requests == 1 ? " request)." : " requests)."),
          "Nothing stands in the way: program the controller.");
      return;
    }
    if (talks) return;  // the application runs: the job's restart frame starts the loader
    std::string text = "Nothing answered the " + std::to_string(line.Requests) +
                       " identification requests on " + name + " at " +
                       std::to_string(line.LoaderBaud) + " baud";
    if (line.StxSeen) {
      text +=
          "; only our own bytes came back, which is an echo (TX and RX bridged, or a "
          "half-duplex cable), not a loader";
    } else if (line.AnswerBytes > 0) {
      text += "; " + std::to_string(line.AnswerBytes) + " other bytes came back";
    }
    Add("no-answer", Severity::Problem, text + ".",
        "Check the wiring: the adapter's TX goes to the controller's RX and RX to TX (swap them "
        "if in doubt), ground is connected, the controller is powered (battery on, display "
        "switched on), and the cable sits in the display's programming plug. Then run "
        "`quorin-iap-cli doctor` again.");
  }

  const DoctorFacts& facts_;
  const OutsideTextUse use_;
  DoctorResult result_;
};

}  // namespace

std::vector<DoctorAdapter> SerialAdapters(const DeviceSnapshot& snapshot) {
  std::vector<DoctorAdapter> adapters;
  for (const UsbDeviceRecord& device : snapshot.Usb) {
    if (!device.Present || !IsSerialAdapter(device)) continue;
    DoctorAdapter adapter;
    adapter.Port = PortNameOf(device, snapshot);
    adapter.Device = device.Device;
    adapter.UsbId = UsbIdOf(device);
    adapter.Chip = ChipOf(device);
    adapter.Driver = device.Driver;
    adapter.Description = device.Product;
    if (!device.Manufacturer.empty()) {
      adapter.Description += (adapter.Description.empty() ? "" : " - ") + device.Manufacturer;
    }
    adapter.ProblemCode = device.ProblemCode;
    adapters.push_back(std::move(adapter));
  }
  return adapters;
}

AutoPortChoice ChooseAutoPort(const DeviceSnapshot& snapshot) {
  AutoPortChoice choice;
  for (DoctorAdapter& adapter : SerialAdapters(snapshot)) {
    if (!adapter.Port.empty()) choice.WithPort.push_back(std::move(adapter));
  }
  if (choice.WithPort.size() == 1) {
    const DoctorAdapter& only = choice.WithPort.front();
    choice.Name = snapshot.System == platform::DeviceSystem::Windows ? only.Port : only.Device;
  }
  return choice;
}

DoctorFacts GatherDoctorFacts(const platform::DeviceView& view, const DoctorTarget& target,
                              const PortOpenProbe& probe) {
  DoctorFacts facts;
  facts.Snapshot = view.Look();
  facts.Target = target;
  if (target.Name.empty()) return facts;
  PortFacts port;
  std::string& device = port.Facts.Device;
  const bool isComName = ComPortNumber(target.Name).has_value();
  // The device list's own system decides what COMn means (a Windows list read in a test too).
  device = isComName && facts.Snapshot.System == platform::DeviceSystem::Windows
               ? "\\\\.\\COM" + std::to_string(*ComPortNumber(target.Name))
               : ResolvePortName(target.Name, facts.Snapshot.Ports);
  for (const auto& listed : facts.Snapshot.Ports) {
    if (Upper(listed.Path) == Upper(device)) port.Present = true;
  }
  // A COMn beyond the listing stands for an on-board slot that may have no UART behind it.
  if (!port.Present && !isComName) port.Present = view.Exists(device);
  // The listing may miss a port that opens (Wine's COM ports, a driver that keeps out of the
  // registry's map): the open itself has the last word on whether it is there.
  port.Error = probe(target.Name, port.ErrorText);
  port.Opened = !port.Error && port.ErrorText.empty();
  port.Facts.Refusal = platform::ClassifyOpenError(port.Error);
  const platform::OpenRefusal refusal = port.Facts.Refusal;
  port.Present =
      port.Error ? refusal != platform::OpenRefusal::NoDevice : port.Present || port.Opened;
  // Only an error makes a refusal, and a refused port is present.
  if (refusal == platform::OpenRefusal::Busy) port.Facts.Holders = view.Holders(device);
  if (refusal == platform::OpenRefusal::NoPermission) port.Facts.Group = view.Group(device);
  facts.Port = std::move(port);
  return facts;
}

std::string_view SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Problem:
      return "problem";
    case Severity::Warning:
      return "warning";
    case Severity::Ok:
      return "ok";
  }
  return "problem";
}

DoctorResult Diagnose(const DoctorFacts& facts, OutsideTextUse use) {
  return Findings(facts, use).Make();
}

}  // namespace quorin
