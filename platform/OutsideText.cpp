#include "platform/OutsideText.h"

#include <algorithm>

namespace quorin::platform {

constexpr char kReplacement = '?';

std::size_t DecodeUtf8(std::string_view text, char32_t& codePoint) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if ((lead & 0xE0u) == 0xC0u) {
    length = 2, codePoint = lead & 0x1Fu, minimum = 0x80;
  } else if ((lead & 0xF0u) == 0xE0u) {
    length = 3, codePoint = lead & 0x0Fu, minimum = 0x800;
  } else if ((lead & 0xF8u) == 0xF0u) {
    length = 4, codePoint = lead & 0x07u, minimum = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) return 0;
    codePoint = (codePoint << 6) | (byte(i) & 0x3Fu);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF) return 0;
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return 0;
  return length;
}

bool TerminalActive(char32_t codePoint) {
  return codePoint < 0x20 || codePoint == 0x7F || (codePoint >= 0x80 && codePoint <= 0x9F) ||
         (codePoint >= 0x202A && codePoint <= 0x202E) ||
         (codePoint >= 0x2066 && codePoint <= 0x2069);
}

std::string TerminalSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    char32_t codePoint = 0;
    const std::size_t length = DecodeUtf8(text, codePoint);
    // A byte that starts no well-formed sequence is replaced alone.
    if (length == 0 || TerminalActive(codePoint)) {
      out += kReplacement;
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(std::max<std::size_t>(length, 1));
  }
  return out;
}

std::string TerminalSafe(std::string_view text, std::size_t limit) {
  std::string out = TerminalSafe(text);
  if (out.size() <= limit) return out;
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0u) == 0x80u) --cut;
  out.resize(cut);
  return out + "...";
}

}  // namespace quorin::platform
