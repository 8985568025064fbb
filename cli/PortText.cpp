#include "cli/PortText.h"

#include "comm/PortNames.h"

namespace quorin {

std::string ShownName(std::string_view name) {
  std::size_t end = name.size();
  bool cut = false;
  if (end > kShownNameLength) {
    end = kShownNameLength;
    // Back up to the start of a UTF-8 sequence (continuation bytes are 10xxxxxx).
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0u) == 0x80u) --end;
    cut = true;
  }
  std::string shown;
  shown.reserve(end + 3);
  for (std::size_t i = 0; i < end; ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    shown += (c < 0x20 || c == 0x7F) ? '?' : name[i];
  }
  if (cut) shown += "...";
  return shown;
}

std::string DeviceForMessage(const std::string& name) {
  if (!ComPortNumber(name)) return ShownName(name);
  return ShownName(ResolvePortName(name)) + " (" + ShownName(name) + ")";
}

}  // namespace quorin
