#pragma once
// The text of a profile file in the encoding it has. A file that starts with the UTF-16
// little-endian byte order mark (FF FE) is UTF-16, as the system's profile functions on Windows
// read and write it; any other file is taken byte for byte (ANSI or UTF-8). The reader and the
// writer of ProfileFile work on UTF-8 and use these two converters at the file's edge.
//
// The conversion is lossless for every sequence of 16-bit units: a surrogate without its partner
// becomes the three bytes that UTF-8 would give its number (as WTF-8 does), and goes back to the
// same unit. Streaming: input may be cut anywhere; what cannot be converted yet waits for the next
// call. One object per file; no shared state.
#include <cstdint>
#include <string>
#include <string_view>

namespace quorin {

inline constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

// UTF-16LE bytes (after the byte order mark) to UTF-8.
class Utf16LeDecoder {
 public:
  // Appends the UTF-8 form of `bytes` to `out`.
  void Decode(std::string_view bytes, std::string& out);
  // Appends what still waits (a high surrogate at the very end). False when an odd byte is left
  // over: the file is not whole UTF-16.
  bool Finish(std::string& out);

 private:
  void Unit(std::uint16_t unit, std::string& out);
  int oddByte_ = -1;        // the first byte of a unit whose second byte has not come yet
  std::uint16_t high_ = 0;  // a high surrogate waiting for its low partner; 0 when none
};

// UTF-8 (including the lone surrogates Utf16LeDecoder makes) to UTF-16LE bytes, without a byte
// order mark.
class Utf16LeEncoder {
 public:
  // Appends the UTF-16LE form of `text` to `out`. False on bytes that are not UTF-8 (nothing more
  // is converted then).
  bool Encode(std::string_view text, std::string& out);
  // False when a sequence was begun but not completed.
  bool Finish() const { return pending_.empty(); }

 private:
  std::string pending_;  // the begun, incomplete sequence at the end of the last call
};

}  // namespace quorin
