#include "iap/OpenAdvice.h"

#include "comm/PortNames.h"
#include "platform/OutsideText.h"

namespace quorin {
namespace {

using platform::OpenRefusal;

// How many bytes of a port's name the advice shows (names come from the command line or the
// settings file).
constexpr std::size_t kShownPortName = 64;

// How many bytes of a holder's command line the advice shows.
constexpr std::size_t kShownCommandLine = 100;

// Indents every line after the first by two blanks.
std::string Indented(const std::string& text) {
  std::string out = "  ";
  for (const char c : text) {
    out += c;
    if (c == '\n') out += "  ";
  }
  return out;
}

std::string Busy(const OpenFailureFacts& facts) {
  const platform::PortHolderList& list = facts.Holders;
  if (!list.Told) {
    return "Another program has the port open (the system does not tell which). Usually it is\n"
           "a terminal program (PuTTY, Tera Term, a serial monitor), another flashing tool or a\n"
           "second quorin-iap, the adapter vendor's configuration program, or a phone, modem or\n"
           "GPS utility. Close it, then retry.";
  }
  if (list.Holders.empty()) {
    return "Another program holds the port, but no process this user may look into has it open\n"
           "(it may belong to another user, or have let go of it since). Close it, then retry.";
  }
  std::string text = list.Holders.size() == 1 ? "This program holds the port:\n"
                                              : "These programs hold the port:\n";
  bool modemManager = false;
  bool others = false;
  for (const platform::PortHolder& holder : list.Holders) {
    text +=
        "  pid " + std::to_string(holder.ProcessId) + " " + platform::TerminalSafe(holder.Name, 32);
    if (!holder.CommandLine.empty()) {
      text += " (" + platform::TerminalSafe(holder.CommandLine, kShownCommandLine) + ")";
    }
    text += "\n";
    (holder.Name == "ModemManager" ? modemManager : others) = true;
  }
  if (modemManager) {
    // Stopping the service is one command that works at once on every systemd system and needs
    // neither the adapter's USB ids nor a replug; a udev rule would keep it away for good, but
    // takes a file, a reload and a replug to get right.
    text +=
        "ModemManager probes every new serial adapter as a modem. Stop it with\n"
        "`sudo systemctl stop ModemManager` (it starts again at the next boot)";
    text += others ? ", close the others, then retry." : ", then retry.";
  } else {
    text += list.Holders.size() == 1 ? "Close it, then retry." : "Close them, then retry.";
  }
  return text;
}

// How many bytes of a group's name the advice shows in its sentences.
constexpr std::size_t kShownGroupName = 32;

// Whether `name` can be typed into a shell command as it is: the portable user and group name
// characters, not taken for an option, and short enough to be shown whole.
bool PlainName(const std::string& name) {
  if (name.empty() || name.size() > kShownGroupName || name.front() == '-') return false;
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '_' || c == '-' || c == '.';
    if (!plain) return false;
  }
  return true;
}

std::string NoPermission(const OpenFailureFacts& facts) {
  const platform::DeviceGroup& group = facts.Group;
  const std::string device = facts.Device.empty() ? std::string("the device") : facts.Device;
  if (group.Name.empty()) {
    return "You may not use this port. Add your user to the dialout group\n"
           "(sudo usermod -aG dialout $USER), log out and in again, then retry.";
  }
  const std::string name = platform::TerminalSafe(group.Name, kShownGroupName);
  const char* const askForAccess =
      "Ask the administrator\nfor access (a udev rule giving the device GROUP=\"dialout\", "
      "MODE=\"0660\").";
  if (!group.Named) {
    // No user can be added to a group the system has no name for.
    return "You may not use this port: " + device + " belongs to the group number " + name +
           ",\nwhich has no name on this system, so no user can join it. " + askForAccess;
  }
  if (!group.GroupMayUse || group.Name == "root") {
    return "You may not use this port, and joining its group (" + name + ") would not help:\n" +
           device + " is not open to that group for reading and writing. " + askForAccess;
  }
  // The command holds the whole name, or the group's number where the name cannot be typed as
  // it is (usermod takes either); never a name cut short or cleaned for the terminal.
  const std::string inCommand = PlainName(group.Name) ? group.Name : group.Id;
  if (inCommand.empty()) {
    return "You may not use this port: " + device + " belongs to the group " + name + ".\n" +
           "Ask the administrator to add your user to it, log out and in again, then retry.";
  }
  return "You may not use this port: " + device + " belongs to the group " + name + ".\n" +
         "Add your user to it with `sudo usermod -aG " + inCommand +
         " $USER`, log out and in\n"
         "again (a new group counts from the next login), then retry.";
}

}  // namespace

std::string OpenFailureAction(const OpenFailureFacts& facts) {
  switch (facts.Refusal) {
    case OpenRefusal::Busy:
      return Busy(facts);
    case OpenRefusal::NoPermission:
      return NoPermission(facts);
    case OpenRefusal::NoDevice:
      return "There is no such device. Connect the cable, list the serial ports with\n"
             "`quorin-iap-cli ports` and choose one (Uart > Uart Port, or --port NAME).";
    case OpenRefusal::Other:
      break;
  }
  return "Check the cable and the port name; `quorin-iap-cli ports` lists the serial ports.";
}

OpenFailureFacts GatherOpenFailureFacts(const std::string& portName, std::error_code reason) {
  OpenFailureFacts facts;
  facts.Refusal = platform::ClassifyOpenError(reason);
  if (facts.Refusal != OpenRefusal::Busy && facts.Refusal != OpenRefusal::NoPermission) {
    return facts;
  }
  facts.Device = ResolvePortName(portName);
  if (facts.Refusal == OpenRefusal::Busy) {
    facts.Holders = platform::HoldersOf(facts.Device);
  } else {
    facts.Group = platform::GroupOf(facts.Device);
  }
  return facts;
}

std::string OpenFailureHeadline(const std::string& portName, const std::string& reasonText) {
  return "cannot open the serial port " + platform::TerminalSafe(portName, kShownPortName) + ": " +
         reasonText;
}

std::string OpenFailureAdvice(const std::string& portName, const std::string& reasonText,
                              const OpenFailureFacts& facts) {
  return OpenFailureHeadline(portName, reasonText) + "\n" + Indented(OpenFailureAction(facts));
}

std::string RefusedSettingsAdvice(const JobReport& report) {
  if (!report.SettingsRefused) return {};
  const PortSettingsRefused& refused = *report.SettingsRefused;
  const std::string driver = "the driver of " + refused.PortName + " refused ";
  std::string text;
  if (refused.LineState) {
    text += driver + "the line settings (" + std::to_string(refused.BaudRate) +
            " baud, 8 data bits, no parity, 1 stop bit): " + refused.LineState.message();
  }
  if (refused.Timeouts) {
    if (!text.empty()) text += "\n";
    text += driver + "the read and write time-outs: " + refused.Timeouts.message();
  }
  return text + "\n" +
         Indented(
             "The port was used anyway, so the controller may not have understood what was\n"
             "sent, or its answer was lost. Use another USB-serial adapter or update the\n"
             "adapter's driver, then retry.");
}

std::string OpenFailureAdvice(const JobReport& report) {
  if (!report.OpenFailure) return {};
  const PortOpenFailure& failure = *report.OpenFailure;
  const std::string reason = failure.Reason ? failure.Reason.message() : failure.Text;
  if (failure.InProgram) {
    return OpenFailureHeadline(failure.PortName, reason) + "\n" +
           Indented(
               "This program could not start what it needs to use the port (a thread or an\n"
               "event); the port itself is not at fault. The system may limit how many processes\n"
               "and threads this user runs (ulimit -u): close some programs, then retry.");
  }
  return OpenFailureAdvice(failure.PortName, reason, failure.Facts);
}

}  // namespace quorin
