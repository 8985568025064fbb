#pragma once
// Text for JSON output.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorin {

// `text` as a JSON string literal, quotes included; its value is `text` exactly whenever `text` is
// UTF-8. What a terminal acts on (platform::TerminalActive) is escaped as \uXXXX, so that the
// JSON text itself is safe on a terminal.
// JSON can only hold Unicode: a byte that is not part of valid UTF-8 (file names on POSIX may
// hold any bytes) becomes U+FFFD, so the output is always valid JSON. Pure.
std::string JsonString(std::string_view text);

// One member of a JSON object: its name and its value, already JSON text (JsonString(...), a
// number, null, another object ...).
using JsonMember = std::pair<std::string_view, std::string>;

// {"name": value, ...}: the members in the order given, on one line. Pure.
std::string JsonObject(const std::vector<JsonMember>& members);

// [json(item), ...] for every item of `items`, in their order, on one line. Pure.
template <typename Items, typename ToJson>
std::string JsonArray(const Items& items, ToJson json) {
  std::string out = "[";
  for (const auto& item : items) out += (out.size() > 1 ? ", " : "") + json(item);
  return out + "]";
}

}  // namespace quorin
