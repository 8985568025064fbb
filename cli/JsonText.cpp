#include "cli/JsonText.h"

#include <algorithm>
#include <cstdio>

#include "platform/OutsideText.h"

namespace quorin {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  while (!text.empty()) {
    const char c = text.front();
    char32_t value = 0;
    const std::size_t length = platform::DecodeUtf8(text, value);
    if (length == 0) {
      out += "\\ufffd";  // a byte that starts no well-formed sequence, alone
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (platform::TerminalActive(value)) {
      char escaped[16];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(value));
      out += escaped;
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(std::max<std::size_t>(length, 1));
  }
  return out + "\"";
}

std::string JsonObject(const std::vector<JsonMember>& members) {
  std::string out = "{";
  for (const auto& [name, value] : members) {
    out += (out.size() > 1 ? ", " : "") + JsonString(name) + ": " + value;
  }
  return out + "}";
}

}  // namespace quorin
