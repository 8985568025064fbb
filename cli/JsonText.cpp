#include "cli/JsonText.h"

#include <cstdio>

namespace quorin {
namespace {

// Length of the valid UTF-8 sequence starting at `text[at]`, or 0 when it is not one; its code
// point in `value`.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at, unsigned& value) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned minimum = 0;
  value = lead;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, value = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, value = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, value = lead & 0x07u;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) return 0;
    value = (value << 6) | (byte(i) & 0x3Fu);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return length;
}

// Code points a terminal acts on (C1 controls; the bidirectional overrides and isolates that
// reorder what follows): escaped, so the JSON text itself is safe to show, and its value the same.
bool EscapedAbove(unsigned value) {
  return (value >= 0x80 && value <= 0x9F) || (value >= 0x202A && value <= 0x202E) ||
         (value >= 0x2066 && value <= 0x2069);
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    unsigned value = 0;
    const std::size_t length = Utf8SequenceLength(text, at, value);
    if (length == 0) {
      out += "\\ufffd";
      ++at;
      continue;
    }
    if (length > 1 && !EscapedAbove(value)) {
      out.append(text.substr(at, length));
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (length > 1 || value < 0x20 || value == 0x7F) {  // C0, DEL, EscapedAbove
      char escaped[16];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", value);
      out += escaped;
    } else {
      out += c;
    }
    at += length;
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
