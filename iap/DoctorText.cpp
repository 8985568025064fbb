#include "iap/DoctorText.h"

#include "platform/OutsideText.h"

namespace quorin {
namespace {

// A finding's lines, each indented by `indent`.
std::string Indented(const std::string& text, const std::string& indent) {
  std::string out = indent;
  for (const char c : text) {
    out += c;
    if (c == '\n') out += indent;
  }
  return out + "\n";
}

}  // namespace

std::string DoctorText(const DoctorResult& result) {
  using platform::TerminalSafe;
  std::string out =
      result.Adapters.empty() ? "USB serial adapters: none\n" : "USB serial adapters:\n";
  for (const DoctorAdapter& adapter : result.Adapters) {
    out += "  " + (adapter.Port.empty() ? std::string("(no port)") : TerminalSafe(adapter.Port));
    if (!adapter.Device.empty() && adapter.Device != adapter.Port) {
      out += " " + TerminalSafe(adapter.Device);
    }
    out += "  " + adapter.UsbId + " " + TerminalSafe(adapter.Chip) + "  driver " +
           (adapter.Driver.empty() ? std::string("(none)") : TerminalSafe(adapter.Driver));
    if (adapter.ProblemCode != 0) out += "  problem code " + std::to_string(adapter.ProblemCode);
    if (!adapter.Description.empty()) out += "  \"" + TerminalSafe(adapter.Description, 80) + "\"";
    out += "\n";
  }
  for (const Finding& finding : result.Findings) {
    out += "\n" + std::string(SeverityName(finding.Level)) + ": " + finding.Check + "\n";
    out += Indented(finding.Text, "  ");
    if (!finding.Action.empty()) out += "  What to do:\n" + Indented(finding.Action, "    ");
  }
  if (result.Findings.empty()) out += "\nNothing to report.\n";
  return out;
}

}  // namespace quorin
