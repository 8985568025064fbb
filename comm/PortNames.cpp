#include "comm/PortNames.h"

#include <cctype>

namespace quorin {

std::optional<unsigned> ComPortNumber(const std::string& name) {
  if (name.size() < 4 || name.size() > 12) return std::nullopt;
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return std::nullopt;
  }
  unsigned long n = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return std::nullopt;
    n = n * 10 + static_cast<unsigned long>(name[i] - '0');
  }
  if (n == 0 || n > 1000000) return std::nullopt;
  return static_cast<unsigned>(n);
}

std::string ResolvePortName(const std::string& name, const std::vector<SerialPortInfo>& ports) {
  const auto number = ComPortNumber(name);
  if (!number) return name;
  return platform::ComPortDevice(*number, ports);
}

std::string ResolvePortName(const std::string& name) {
  if (!ComPortNumber(name)) return name;
  return ResolvePortName(name, ListSerialPorts());
}

}  // namespace quorin
