#pragma once
// Text for JSON output.
#include <string>
#include <string_view>

namespace quorin {

// `text` as a JSON string literal, quotes included. Control characters are escaped; bytes that are
// not valid UTF-8 (file names may hold any bytes) become U+FFFD, so the output is always valid.
std::string JsonString(std::string_view text);

}  // namespace quorin
