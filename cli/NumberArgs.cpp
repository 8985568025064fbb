#include "cli/NumberArgs.h"

#include <charconv>
#include <string>

namespace quorin {

std::optional<std::uint64_t> ParseUnsigned(std::string_view text, std::uint64_t max) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || value > max) {
    return std::nullopt;
  }
  return value;
}

CLI::Validator UnsignedUpTo(std::uint64_t max) {
  return CLI::Validator(
      [max](std::string& text) -> std::string {
        if (ParseUnsigned(text, max)) return {};
        return "must be a number from 0 to " + std::to_string(max) +
               " (decimal, or hexadecimal with 0x), not '" + text + "'";
      },
      "0.." + std::to_string(max));
}

}  // namespace quorin
