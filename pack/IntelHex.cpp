#include "pack/IntelHex.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace quorin {
namespace {

constexpr std::uint8_t kData = 0x00;
constexpr std::uint8_t kEndOfFile = 0x01;
constexpr std::uint8_t kExtendedSegmentAddress = 0x02;
constexpr std::uint8_t kExtendedLinearAddress = 0x04;
constexpr std::uint8_t kStartLinearAddress = 0x05;

struct Record {
  std::uint8_t Type = 0;
  std::uint16_t Offset = 0;
  std::vector<std::uint8_t> Data;
};

// A data record placed in memory; its bytes stay in the text until the image is filled.
struct Chunk {
  std::uint64_t Address = 0;
  std::size_t Line = 0;
  std::span<const std::uint8_t> HexDigits;  // the record's data field, two digits per byte
};

std::string Hex2(unsigned value) {
  std::array<char, 8> text{};
  std::snprintf(text.data(), text.size(), "%02X", value & 0xFFu);
  return text.data();
}

std::string Hex8(std::uint64_t value) {
  std::array<char, 24> text{};
  std::snprintf(text.data(), text.size(), "0x%08llX", static_cast<unsigned long long>(value));
  return text.data();
}

int HexDigit(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::uint8_t HexByteAt(std::span<const std::uint8_t> digits, std::size_t index) {
  return static_cast<std::uint8_t>(HexDigit(digits[2 * index]) * 16 +
                                   HexDigit(digits[2 * index + 1]));
}

// Decodes one record line (without its line end). Returns the type, offset and, for all but data
// records, the data bytes; `dataDigits` receives the data field of the line.
Record ParseRecord(std::span<const std::uint8_t> line, std::size_t lineNumber,
                   std::span<const std::uint8_t>& dataDigits) {
  if (line.empty() || line[0] != ':') {
    throw IntelHexError(lineNumber, "a record must start with ':'");
  }
  const auto digits = line.subspan(1);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (HexDigit(digits[i]) < 0) {
      throw IntelHexError(lineNumber,
                          "character " + std::to_string(i + 2) + " is not a hexadecimal digit");
    }
  }
  if (digits.size() % 2 != 0 || digits.size() < 10) {
    throw IntelHexError(lineNumber, "the record is too short or has an odd number of digits");
  }
  const std::size_t count = HexByteAt(digits, 0);
  const std::size_t byteCount = digits.size() / 2;
  if (byteCount != count + 5) {
    throw IntelHexError(lineNumber, "the byte count says " + std::to_string(count) +
                                        " data bytes but the record holds " +
                                        std::to_string(byteCount - 5));
  }
  unsigned sum = 0;
  for (std::size_t i = 0; i < byteCount; ++i) sum += HexByteAt(digits, i);
  if ((sum & 0xFFu) != 0) {
    const unsigned stored = HexByteAt(digits, byteCount - 1);
    const unsigned expected = (stored - sum) & 0xFFu;
    throw IntelHexError(lineNumber,
                        "bad record checksum " + Hex2(stored) + ", expected " + Hex2(expected));
  }
  Record record;
  record.Offset = static_cast<std::uint16_t>(HexByteAt(digits, 1) << 8 | HexByteAt(digits, 2));
  record.Type = HexByteAt(digits, 3);
  dataDigits = digits.subspan(8, 2 * count);
  if (record.Type != kData) {
    for (std::size_t i = 0; i < count; ++i) record.Data.push_back(HexByteAt(digits, 4 + i));
  }
  return record;
}

void RequireLength(const Record& record, std::size_t length, std::size_t lineNumber) {
  if (record.Data.size() != length) {
    throw IntelHexError(lineNumber, "a type " + Hex2(record.Type) + " record carries " +
                                        std::to_string(length) + " data bytes, not " +
                                        std::to_string(record.Data.size()));
  }
}

}  // namespace

IntelHexError::IntelHexError(std::size_t line, const std::string& problem)
    : std::runtime_error("line " + std::to_string(line) + ": " + problem),
      line_(line),
      problem_(problem) {}

HexImage ParseIntelHex(std::span<const std::uint8_t> text, std::size_t maxImageSize) {
  HexImage image;
  std::vector<Chunk> chunks;
  std::uint64_t addressBase = 0;
  std::uint64_t lowest = UINT64_MAX;
  std::uint64_t highestEnd = 0;  // one past the last data byte
  bool endSeen = false;
  std::size_t lineNumber = 0;

  std::size_t at = 0;
  while (at < text.size() && !endSeen) {
    ++lineNumber;
    const auto lineEnd =
        std::find(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(), std::uint8_t{'\n'});
    auto line = text.subspan(at, static_cast<std::size_t>(lineEnd - text.begin()) - at);
    at += line.size() + 1;
    if (!line.empty() && line.back() == '\r') line = line.first(line.size() - 1);
    if (line.empty()) continue;

    std::span<const std::uint8_t> dataDigits;
    const Record record = ParseRecord(line, lineNumber, dataDigits);
    switch (record.Type) {
      case kData: {
        if (dataDigits.empty()) break;
        const std::uint64_t start = addressBase + record.Offset;
        const std::uint64_t end = start + dataDigits.size() / 2;
        if (end > (std::uint64_t{1} << 32)) {
          throw IntelHexError(lineNumber, "data runs past the 4 GiB address space");
        }
        const std::uint64_t newLowest = std::min(lowest, start);
        const std::uint64_t newEnd = std::max(highestEnd, end);
        if (newEnd - newLowest > maxImageSize) {
          throw IntelHexError(lineNumber, "data at " + Hex8(start) + " makes the image span " +
                                              std::to_string(newEnd - newLowest) +
                                              " bytes, more than the " +
                                              std::to_string(maxImageSize) + " allowed");
        }
        lowest = newLowest;
        highestEnd = newEnd;
        chunks.push_back({start, lineNumber, dataDigits});
        break;
      }
      case kEndOfFile:
        RequireLength(record, 0, lineNumber);
        endSeen = true;
        break;
      case kExtendedSegmentAddress:
      case kExtendedLinearAddress:
        RequireLength(record, 2, lineNumber);
        addressBase =
            std::uint64_t{static_cast<std::uint32_t>(record.Data[0] << 8 | record.Data[1])}
            << (record.Type == kExtendedSegmentAddress ? 4 : 16);
        break;
      case kStartLinearAddress:
        RequireLength(record, 4, lineNumber);
        image.StartAddress = static_cast<std::uint32_t>(record.Data[0]) << 24 |
                             static_cast<std::uint32_t>(record.Data[1]) << 16 |
                             static_cast<std::uint32_t>(record.Data[2]) << 8 | record.Data[3];
        break;
      default:
        throw IntelHexError(lineNumber, "record type " + Hex2(record.Type) +
                                            " is not supported (only 00, 01, 02, 04, 05)");
    }
  }
  if (!endSeen) {
    throw IntelHexError(std::max<std::size_t>(lineNumber, 1),
                        "the file ends without an end-of-file record (:00000001FF)");
  }
  if (chunks.empty()) return image;

  // Sorted by address, every chunk must start at or after the end of the one before.
  std::stable_sort(chunks.begin(), chunks.end(),
                   [](const Chunk& a, const Chunk& b) { return a.Address < b.Address; });
  for (std::size_t i = 1; i < chunks.size(); ++i) {
    const Chunk& before = chunks[i - 1];
    const Chunk& after = chunks[i];
    if (after.Address < before.Address + before.HexDigits.size() / 2) {
      const Chunk& later = before.Line > after.Line ? before : after;
      const Chunk& earlier = before.Line > after.Line ? after : before;
      throw IntelHexError(later.Line, "data at " + Hex8(later.Address) +
                                          " overlaps the data of line " +
                                          std::to_string(earlier.Line));
    }
  }

  // The span was checked against maxImageSize as each chunk arrived.
  image.BaseAddress = static_cast<std::uint32_t>(lowest);
  image.Bytes.assign(static_cast<std::size_t>(highestEnd - lowest), 0xFF);
  for (const Chunk& chunk : chunks) {
    const std::size_t offset = static_cast<std::size_t>(chunk.Address - lowest);
    for (std::size_t i = 0; i < chunk.HexDigits.size() / 2; ++i) {
      image.Bytes[offset + i] = HexByteAt(chunk.HexDigits, i);
    }
  }
  return image;
}

}  // namespace quorin
