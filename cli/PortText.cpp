#include "cli/PortText.h"

#include "comm/PortNames.h"
#include "platform/OutsideText.h"

namespace quorin {

std::string ShownName(std::string_view name) {
  return platform::TerminalSafe(name, kShownNameLength);
}

std::string DeviceForMessage(const std::string& name) {
  if (!ComPortNumber(name)) return ShownName(name);
  return ShownName(ResolvePortName(name)) + " (" + ShownName(name) + ")";
}

}  // namespace quorin
