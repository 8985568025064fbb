#pragma once
// Building update packs: the exact inverse of the loader.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>

#include "pack/UpdatePack.h"

namespace quorin {

// The header fields and scrambling choices of a pack. Empty optionals are drawn at random.
struct PackFields {
  std::uint16_t Version = 0;
  std::uint32_t TargetCode = kOwnTargetCode;
  std::uint8_t UpdateKind = 0x00;  // kUpdateKindSoftwareAndSettings for software + settings
  std::optional<std::uint8_t> WireKey;
  std::optional<std::array<std::uint8_t, 2>> HeaderKeyBytes;  // bytes 32 and 33, stored plain
  std::optional<std::uint8_t> Filler;  // every byte after the firmware; random bytes when empty
  std::optional<std::uint64_t> RandomSeed;  // seeds the random choices; the system's when empty
};

// Raised when the firmware does not fit a pack (more than kMaxDataLength bytes).
class FirmwareTooLarge : public std::length_error {
 public:
  explicit FirmwareTooLarge(std::size_t size);
  std::size_t Size() const { return size_; }

 private:
  std::size_t size_;
};

// Builds the 131072-byte image of a pack holding `firmware` (at most 131024 bytes) with the
// fields of `fields`; LoadUpdatePack reads it back as a good pack with the same fields and bytes.
// The uninterpreted header bytes are zero. Raises FirmwareTooLarge. Owns nothing; any thread.
std::unique_ptr<PackImage> BuildPackImage(std::span<const std::uint8_t> firmware,
                                          const PackFields& fields);

// The unscrambled header BuildPackImage writes for `firmware`: the fields of `fields`, `wireKey`,
// the firmware's length and ByteSum32, sealed with its CRC. Raises FirmwareTooLarge.
PackHeader BuildPackHeader(std::span<const std::uint8_t> firmware, const PackFields& fields,
                           std::uint8_t wireKey);

// Sets HeaderCrc to the Crc16Xmodem of header bytes 0 to 29.
void SealPackHeader(PackHeader& header);

// Lays `header` (taken as given, its HeaderCrc included, so broken packs can be made too) into
// bytes 0..31 of `image`, scrambled with the sum of `keyBytes`, stores the key bytes at 32 and 33
// and `payload` from byte 34 on, scrambled with the header's payload key. Leaves the bytes after
// the payload alone. Raises std::length_error when `payload` exceeds kFirmwareCapacity.
void EncodePackImage(PackImage& image, const PackHeader& header,
                     std::span<const std::uint8_t> payload, std::array<std::uint8_t, 2> keyBytes);

}  // namespace quorin
