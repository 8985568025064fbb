#pragma once
// The connection doctor: why the tool cannot reach the controller, from the system's device facts
// (platform/DeviceView.h) and from what the line checks saw (iap/DoctorLine.h). Facts are gathered
// once; Diagnose turns them into findings (what was seen, what it most likely means, the one
// thing to do), for the command line, its JSON and the window alike. No toolkit, no printing.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "iap/JobReport.h"
#include "platform/DeviceView.h"

namespace quorin {

// A USB–serial adapter as the doctor shows it.
struct DoctorAdapter {
  std::string Port;          // "COM7" (Linux: the window's number for it); empty without a port
  std::string Device;        // "/dev/ttyUSB0", "\\.\COM7"; empty without a port
  std::string UsbId;         // "1a86:7523"
  std::string Chip;          // "CH340"; for unknown chips by class: "CDC ACM", "USB serial"
  std::string Driver;        // bound to its interface; empty when none
  std::string Description;   // USB product and manufacturer strings (outside text)
  unsigned ProblemCode = 0;  // Windows' problem code; 0 when none
};

// The serial adapters among the snapshot's present USB devices: known chips, and devices that
// give a serial port (hubs, mice and receivers are not). Pure.
std::vector<DoctorAdapter> SerialAdapters(const platform::DeviceSnapshot& snapshot);

// `--port auto`: the serial adapters that have a port, and the name a job opens when there is
// exactly one (Windows names its ports, COMn; elsewhere the device path says more than a number).
// Name is empty when there is none or several. Pure.
struct AutoPortChoice {
  std::string Name;
  std::vector<DoctorAdapter> WithPort;
};
AutoPortChoice ChooseAutoPort(const platform::DeviceSnapshot& snapshot);

// The port a job would use and where its name came from.
struct DoctorTarget {
  std::string Name;    // "COM3", "/dev/ttyUSB0"; empty: no port to check
  std::string Source;  // "--port", "the settings file /x/Cyclomer.ini"
};

// What the open of the target port gave.
struct PortFacts {
  bool Present = false;    // the device is there
  bool Opened = false;     // it opened the way a job opens it
  std::error_code Error;   // the open's error when it did not
  std::string ErrorText;   // the component's text for it
  OpenFailureFacts Facts;  // the device the name stands for; holders or group when refused
};

// What the loopback check saw (TX bridged to RX).
struct LoopbackFacts {
  bool Opened = false;                         // the port opened for the check
  std::size_t Sent = 0;                        // pattern bytes written
  std::size_t Received = 0;                    // bytes that came back
  std::optional<std::size_t> FirstDifference;  // offset of the first byte that differs
  std::uint8_t Expected = 0;                   // at FirstDifference
  std::uint8_t Got = 0;
  double Seconds = 0;  // from the first write to the last byte back (or the time limit)
  std::uint32_t Baud = 0;
};

// What the controller check saw.
struct ControllerFacts {
  bool Opened = false;               // the port opened at both rates
  std::size_t ApplicationBytes = 0;  // bytes heard while listening at the restart frame's rate
  std::vector<std::uint8_t> ApplicationSample;  // the first of them
  unsigned Requests = 0;                        // identification requests sent
  bool StxSeen = false;                         // 0x02 came back
  bool FdSeen = false;                          // 0xFD came back
  std::size_t AnswerBytes = 0;                  // bytes heard after the requests
  std::uint32_t ListenBaud = 0;
  std::uint32_t LoaderBaud = 0;
};

// Everything the doctor found out.
struct DoctorFacts {
  platform::DeviceSnapshot Snapshot;
  DoctorTarget Target;
  std::optional<PortFacts> Port;  // absent when there was no port to check
  std::optional<LoopbackFacts> Loopback;
  std::optional<ControllerFacts> Controller;
};

// Tries to open the port named `name` the way a job does and closes it again; returns the error
// (empty on success) and sets `text` to the component's text for it.
using PortOpenProbe = std::function<std::error_code(const std::string& name, std::string& text)>;

// Checks 1 to 5's facts: looks at `view`, resolves `target` against its ports and opens it with
// `probe` (then asks the view for holders or the group when the open was refused). The device is
// present when the view lists it or the open says so; an open that finds no device overrules the
// listing. Any thread.
DoctorFacts GatherDoctorFacts(const platform::DeviceView& view, const DoctorTarget& target,
                              const PortOpenProbe& probe);

enum class Severity { Problem, Warning, Ok };

std::string_view SeverityName(Severity severity);  // "problem", "warning", "ok"

struct Finding {
  std::string Check;  // "no-adapter", "driver-missing", "brltty", ... (FindingCheck names)
  Severity Level = Severity::Problem;
  std::string Text;    // what was seen and what it most likely means
  std::string Action;  // the one thing to do (several lines for several commands)
};

struct DoctorResult {
  std::vector<DoctorAdapter> Adapters;
  std::vector<Finding> Findings;
};

// How outside text (USB strings, process names, port names) enters the findings: exactly (JSON)
// or made fit for a terminal (platform::TerminalSafe).
enum class OutsideTextUse { Exact, TerminalSafe };

// The findings of `facts`, in the order of the checks: adapters, none at all, a missing driver,
// brltty, ModemManager, the job's port, loopback, controller. One finding per check that has
// something to say; every problem has an action. Pure.
DoctorResult Diagnose(const DoctorFacts& facts, OutsideTextUse use);

}  // namespace quorin
