#include "iap/DoctorText.h"

#include <algorithm>

#include "platform/OutsideText.h"

namespace quorin {
namespace {

constexpr std::size_t kWidth = 96;  // wide enough for a command on one line

// A finding's lines, each indented by `indent` and broken at blanks before kWidth columns (a
// word longer than a line stays whole). A line that starts with two blanks is a command to copy:
// it stays one line.
std::string Indented(const std::string& text, const std::string& indent) {
  std::string out;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    const bool command = line.rfind("  ", 0) == 0;
    while (!command && indent.size() + line.size() > kWidth) {
      std::size_t cut = line.rfind(' ', kWidth - indent.size());
      // Never inside `a command`: it must copy as one line.
      while (cut != std::string::npos && cut > 0 &&
             std::count(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(cut), '`') % 2 !=
                 0) {
        cut = line.rfind(' ', cut - 1);
      }
      if (cut == std::string::npos || cut == 0) break;
      out += indent + line.substr(0, cut) + "\n";
      line = line.substr(cut + 1);
    }
    out += indent + line + "\n";
    start = end + 1;
  }
  return out;
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
