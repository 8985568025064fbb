#pragma once
// Text for JSON output.
#include <string>
#include <string_view>

namespace quorin {

// `text` as a JSON string literal, quotes included; its value is `text` exactly whenever `text` is
// UTF-8. Controls are escaped as \uXXXX (C0, DEL, the C1 controls U+0080..U+009F) and so are the
// bidirectional overrides and isolates, so that the JSON text itself is safe on a terminal.
// JSON can only hold Unicode: a byte that is not part of valid UTF-8 (file names on POSIX may
// hold any bytes) becomes U+FFFD, so the output is always valid JSON. Pure.
std::string JsonString(std::string_view text);

}  // namespace quorin
