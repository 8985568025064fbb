// Decodes any bytes as the start of a pack image (the rest of the image zero) and checks what a
// decode promises: the header is the image's header unscrambled, nothing is unscrambled past the
// firmware that fits whole 16-byte blocks, and a good pack is exactly what the writer makes of
// its own fields.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz/Require.h"
#include "pack/Checksums.h"
#include "pack/PackWriter.h"
#include "pack/UpdatePack.h"

namespace {

using quorin::kFirmwareOffset;
using quorin::kPackImageSize;

// The harness reuses its images across inputs: a fresh 128 KiB allocation per input would spend
// the run in the sanitizer's allocator instead of in the decoder.
struct Scratch {
  quorin::PackRecords records;
  quorin::PackImage original;
  quorin::PackImage rebuilt;
};

Scratch& TheScratch() {
  static const auto scratch = std::make_unique<Scratch>();
  return *scratch;
}

// Whether bytes [from, to) of `image` equal those of `original`.
bool SameRange(const quorin::PackImage& image, const quorin::PackImage& original, std::size_t from,
               std::size_t to) {
  return from >= to || std::memcmp(image.data() + from, original.data() + from, to - from) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorin;
  Scratch& scratch = TheScratch();
  const std::size_t taken = std::min(size, kPackImageSize);
  std::memset(scratch.original.data(), 0, kPackImageSize);
  std::memcpy(scratch.original.data(), data, taken);
  std::memcpy(scratch.records.PackBuffer.data(), scratch.original.data(), kPackImageSize);
  const PackImage& original = scratch.original;

  const PackDecodeResult result = DecodePackImage(scratch.records);

  const auto headerKey = static_cast<std::uint8_t>(original[32] + original[33]);
  for (std::size_t i = 0; i < kPackHeaderSize; ++i) {
    Require(scratch.records.Header.Bytes[i] == (original[i] ^ headerKey));
  }
  const std::uint32_t length = scratch.records.Header.DataLength();
  const bool unscrambled =
      result == PackDecodeResult::Ok || result == PackDecodeResult::SumMismatch;
  if (unscrambled) Require(length <= kMaxDataLength);
  const std::size_t changedUpTo = kFirmwareOffset + (unscrambled ? length : 0);
  Require(SameRange(scratch.records.PackBuffer, original, 0, kFirmwareOffset));
  Require(SameRange(scratch.records.PackBuffer, original, changedUpTo, kPackImageSize));

  if (result == PackDecodeResult::Ok) {
    const auto firmware = scratch.records.FirmwareData().first(length);
    Require(ByteSum32(firmware.data(), firmware.size()) == scratch.records.Header.DataSum());
    // The writer, given the decoded header and firmware, lays out the same bytes.
    EncodePackImage(scratch.rebuilt, scratch.records.Header, firmware,
                    {original[32], original[33]});
    Require(SameRange(scratch.rebuilt, original, 0, changedUpTo));
  }
  return 0;
}
