#include "pack/PackWriter.h"

#include <algorithm>
#include <random>
#include <string>

#include "pack/Checksums.h"

namespace quorin {

FirmwareTooLarge::FirmwareTooLarge(std::size_t size)
    : std::length_error("the firmware holds " + std::to_string(size) +
                        " bytes; a pack carries at most " + std::to_string(kMaxDataLength) +
                        " bytes of firmware"),
      size_(size) {}

void SealPackHeader(PackHeader& header) {
  header.SetHeaderCrc(Crc16Xmodem(header.Bytes.data(), 30));
}

PackHeader BuildPackHeader(std::span<const std::uint8_t> firmware, const PackFields& fields,
                           std::uint8_t wireKey) {
  if (firmware.size() > kMaxDataLength) throw FirmwareTooLarge(firmware.size());
  PackHeader header;
  header.SetVersion(fields.Version);
  header.SetTargetCode(fields.TargetCode);
  header.SetUpdateKind(fields.UpdateKind);
  header.SetWireKey(wireKey);
  header.SetDataLength(static_cast<std::uint32_t>(firmware.size()));
  header.SetDataSum(ByteSum32(firmware.data(), firmware.size()));
  SealPackHeader(header);
  return header;
}

void EncodePackImage(PackImage& image, const PackHeader& header,
                     std::span<const std::uint8_t> payload, std::array<std::uint8_t, 2> keyBytes) {
  if (payload.size() > kFirmwareCapacity) {
    throw std::length_error("a pack image holds at most " + std::to_string(kFirmwareCapacity) +
                            " bytes after its header");
  }
  const auto headerKey = static_cast<std::uint8_t>(keyBytes[0] + keyBytes[1]);
  for (std::size_t i = 0; i < kPackHeaderSize; ++i) {
    image[i] = static_cast<std::uint8_t>(header.Bytes[i] ^ headerKey);
  }
  image[32] = keyBytes[0];
  image[33] = keyBytes[1];
  const auto payloadKey = static_cast<std::uint8_t>(header.Bytes[30] + header.Bytes[31]);
  std::transform(
      payload.begin(), payload.end(), image.begin() + kFirmwareOffset,
      [payloadKey](std::uint8_t byte) { return static_cast<std::uint8_t>(byte ^ payloadKey); });
}

std::unique_ptr<PackImage> BuildPackImage(std::span<const std::uint8_t> firmware,
                                          const PackFields& fields) {
  if (firmware.size() > kMaxDataLength) throw FirmwareTooLarge(firmware.size());
  std::mt19937_64 random(fields.RandomSeed ? *fields.RandomSeed : std::random_device{}());
  const auto randomByte = [&random] { return static_cast<std::uint8_t>(random() & 0xFF); };

  const std::uint8_t wireKey = fields.WireKey ? *fields.WireKey : randomByte();
  const std::array<std::uint8_t, 2> keyBytes =
      fields.HeaderKeyBytes ? *fields.HeaderKeyBytes
                            : std::array<std::uint8_t, 2>{randomByte(), randomByte()};
  auto image = std::make_unique<PackImage>();
  for (std::size_t at = kFirmwareOffset + firmware.size(); at < image->size(); ++at) {
    (*image)[at] = fields.Filler ? *fields.Filler : randomByte();
  }
  EncodePackImage(*image, BuildPackHeader(firmware, fields, wireKey), firmware, keyBytes);
  return image;
}

}  // namespace quorin
