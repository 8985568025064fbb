#pragma once
// Text that comes from outside the program (file names, USB product strings, process names and
// command lines, a pack's own strings) made fit for a terminal or a log line. Every such string
// passes through here before it is printed; JSON output keeps the exact string instead and only
// escapes it.
#include <string>
#include <string_view>

namespace quorin::platform {

// `text` with everything a terminal could act on replaced by '?': every TerminalActive code point
// and every byte that is not part of a well-formed UTF-8 sequence (raw 0x80..0x9F bytes included).
// Printable Unicode, Chinese among it, stays as it is. Pure; any thread.
std::string TerminalSafe(std::string_view text);

// TerminalSafe(text), cut after at most `limit` bytes (never inside a UTF-8 sequence) with "..."
// appended when anything was cut. Pure; any thread.
std::string TerminalSafe(std::string_view text, std::size_t limit);

// Length of the well-formed UTF-8 sequence that starts `text` (not empty) and its code point in
// `codePoint`; 0 when the bytes there are not one (a stray continuation byte, an overlong form, a
// surrogate, a cut end). Pure; any thread.
std::size_t DecodeUtf8(std::string_view text, char32_t& codePoint);

// Whether a terminal acts on `codePoint`: C0 controls (newline and ESC included), DEL, C1 controls
// (U+0080..U+009F), the bidirectional overrides and isolates (U+202A..U+202E, U+2066..U+2069) that
// reorder what follows. Pure; any thread.
bool TerminalActive(char32_t codePoint);

}  // namespace quorin::platform
