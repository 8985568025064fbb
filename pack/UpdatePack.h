#pragma once
// The update pack: its fixed-size image, the decoded header and the loader.
//
// File layout (131072 bytes are read, anything after is ignored):
//   0..31   header, each byte XOR HeaderKey, HeaderKey = (byte 32 + byte 33) mod 256
//   32, 33  the two header-key bytes, plain
//   34..    DataLength firmware bytes, each XOR PayloadKey = (HeaderCrc low + high) mod 256,
//           then filler that is neither unscrambled nor checked.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

namespace quorin {

inline constexpr std::size_t kPackImageSize = 131072;
inline constexpr std::size_t kPackHeaderSize = 32;
inline constexpr std::size_t kFirmwareOffset = 34;
inline constexpr std::size_t kFirmwareCapacity = kPackImageSize - kFirmwareOffset;  // 131038
// The job sends whole 16-byte blocks taken from the image, so the firmware may not run past
// 34 + 16 * ceil(DataLength / 16) <= 131072.
inline constexpr std::uint32_t kMaxDataLength = 131024;
inline constexpr std::uint32_t kOwnTargetCode = 20002;
inline constexpr std::uint8_t kUpdateKindSoftwareAndSettings = 0xAA;

using PackImage = std::array<std::uint8_t, kPackImageSize>;

// The 32 unscrambled header bytes. Words are unsigned little-endian; the three 32-bit fields are
// stored high word first and are never sign-extended.
struct PackHeader {
  std::array<std::uint8_t, kPackHeaderSize> Bytes{};

  std::uint16_t Version() const { return Word(1); }
  std::uint32_t TargetCode() const { return Word(6) * 65536u + Word(9); }
  std::uint8_t UpdateKind() const { return Bytes[19]; }
  std::uint32_t DataLength() const { return Word(21) * 65536u + Word(24); }
  std::uint8_t WireKey() const { return Bytes[23]; }
  std::uint32_t DataSum() const { return Word(26) * 65536u + Word(28); }
  std::uint16_t HeaderCrc() const { return Word(30); }

  void SetVersion(std::uint16_t v) { SetWord(1, v); }
  void SetTargetCode(std::uint32_t v) { SetWord(6, v >> 16), SetWord(9, v & 0xFFFFu); }
  void SetUpdateKind(std::uint8_t v) { Bytes[19] = v; }
  void SetDataLength(std::uint32_t v) { SetWord(21, v >> 16), SetWord(24, v & 0xFFFFu); }
  void SetWireKey(std::uint8_t v) { Bytes[23] = v; }
  void SetDataSum(std::uint32_t v) { SetWord(26, v >> 16), SetWord(28, v & 0xFFFFu); }
  void SetHeaderCrc(std::uint16_t v) { SetWord(30, v); }

  std::uint16_t Word(std::size_t at) const {
    return static_cast<std::uint16_t>(Bytes[at] | (Bytes[at + 1] << 8));
  }
  void SetWord(std::size_t at, std::uint32_t v) {
    Bytes[at] = static_cast<std::uint8_t>(v & 0xFF);
    Bytes[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
  }
};
static_assert(sizeof(PackHeader) == kPackHeaderSize);

// The pack records: the image of the pack file last read and its decoded header. All zero until
// the first load. One instance is owned by the application; a job takes its own copy.
struct PackRecords {
  std::array<std::uint8_t, kPackImageSize> PackBuffer{};
  PackHeader Header{};

  // `FirmwareData`: the image from byte 34 on (131038 bytes).
  std::span<std::uint8_t, kFirmwareCapacity> FirmwareData() {
    return std::span<std::uint8_t, kFirmwareCapacity>(PackBuffer.data() + kFirmwareOffset,
                                                      kFirmwareCapacity);
  }
};

// How the decoding of an image ended.
enum class PackDecodeResult {
  Ok,                 // header CRC and firmware sum match
  HeaderCrcMismatch,  // nothing unscrambled
  DataTooLong,        // DataLength above kMaxDataLength: nothing unscrambled
  SumMismatch,        // firmware unscrambled, sum differs from DataSum
};

// Decodes records.PackBuffer in place (steps after the read): unscrambles the header into
// records.Header, checks its CRC, unscrambles and sums the firmware. No I/O, no allocation.
PackDecodeResult DecodePackImage(PackRecords& records);

// EInOutError: the pack loader's run-time file I/O error, with its code and text ("File not
// found", "Read beyond end of file", ...).
class EInOutError : public std::runtime_error {
 public:
  EInOutError(int code, const std::string& text) : std::runtime_error(text), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// Opens the file at `path` for reading only (nothing is ever written; a FIFO or a device without
// data never blocks it), reads its first 131072 bytes and decodes them into `records`.
// Returns true for a good pack, false for a broken one (CRC, length or sum).
// Raises EInOutError when the file cannot be opened or holds fewer than 131072 bytes, with the
// loader's code and text (platform::DescribeInOutError): 2 "File not found", 3 "Invalid
// filename", 4 "Too many open files", 5 "File access denied" (also for a folder), 100 "Read beyond
// end of file", otherwise N "I/O error N". The records are then unchanged (the file is read into
// a scratch image first). Closes the file on every path.
// UI thread only in the application; any thread may call it on records it owns.
bool LoadUpdatePack(PackRecords& records, const std::string& path);
// The same, telling how the decoding ended (LoadUpdatePack is true exactly for Ok), so that a
// caller can say which check failed.
PackDecodeResult LoadUpdatePackResult(PackRecords& records, const std::string& path);

}  // namespace quorin
