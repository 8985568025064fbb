#include "pack/UpdatePack.h"

#include <algorithm>

#include "pack/Checksums.h"
#include "platform/Files.h"

namespace quorin {

PackDecodeResult DecodePackImage(PackRecords& records) {
  const auto& image = records.PackBuffer;
  const auto headerKey = static_cast<std::uint8_t>(image[32] + image[33]);
  for (std::size_t i = 0; i < kPackHeaderSize; ++i) {
    records.Header.Bytes[i] = static_cast<std::uint8_t>(image[i] ^ headerKey);
  }
  const PackHeader& header = records.Header;
  if (Crc16Xmodem(header.Bytes.data(), 30) != header.HeaderCrc()) {
    return PackDecodeResult::HeaderCrcMismatch;
  }
  // Checked before anything is unscrambled: a longer firmware would not fit the image, or would
  // leave the job's last 16-byte block running past its end.
  const std::uint32_t dataLength = header.DataLength();
  if (dataLength > kMaxDataLength) return PackDecodeResult::DataTooLong;

  const auto payloadKey = static_cast<std::uint8_t>(header.Bytes[30] + header.Bytes[31]);
  auto firmware = records.FirmwareData();
  std::uint32_t sum = 0;
  for (std::uint32_t i = 0; i < dataLength; ++i) {
    firmware[i] = static_cast<std::uint8_t>(firmware[i] ^ payloadKey);
    sum += firmware[i];
  }
  return sum == header.DataSum() ? PackDecodeResult::Ok : PackDecodeResult::SumMismatch;
}

PackDecodeResult LoadUpdatePackResult(PackRecords& records, const std::string& path) {
  // The file goes into a scratch image first, so a read that fails part-way leaves the records
  // holding the previous pack, never a mixture of two.
  const auto scratch = std::make_unique<PackImage>();
  const std::error_code error =
      platform::ReadFilePrefix(path, std::as_writable_bytes(std::span(*scratch)));
  if (error) {
    const platform::InOutError failure = platform::DescribeInOutError(error, path);
    throw EInOutError(failure.Code, failure.Text);
  }
  std::copy(scratch->begin(), scratch->end(), records.PackBuffer.begin());
  return DecodePackImage(records);
}

bool LoadUpdatePack(PackRecords& records, const std::string& path) {
  return LoadUpdatePackResult(records, path) == PackDecodeResult::Ok;
}

}  // namespace quorin
