// Parses any bytes as an Intel HEX file. A parse either raises IntelHexError with a line inside
// the text, or gives an image no larger than allowed.
#include <algorithm>
#include <cstdint>
#include <span>

#include "fuzz/Require.h"
#include "pack/IntelHex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A small limit lets the fuzzer reach the span checks with short inputs.
  constexpr std::size_t kMaxImage = 4096;
  const std::span<const std::uint8_t> text(data, size);
  try {
    const quorin::HexImage image = quorin::ParseIntelHex(text, kMaxImage);
    Require(image.Bytes.size() <= kMaxImage);
    Require(std::uint64_t{image.BaseAddress} + image.Bytes.size() <= (std::uint64_t{1} << 32));
  } catch (const quorin::IntelHexError& error) {
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    Require(error.Line() >= 1 && error.Line() <= lines);
  }
  return 0;
}
