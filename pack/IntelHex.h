#pragma once
// Intel HEX firmware files, read from bytes in memory (the caller reads the file).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorin {

// A malformed or unusable HEX file. Line() is the 1-based line the problem was found on.
class IntelHexError : public std::runtime_error {
 public:
  IntelHexError(std::size_t line, const std::string& problem);
  std::size_t Line() const { return line_; }
  const std::string& Problem() const { return problem_; }

 private:
  std::size_t line_;
  std::string problem_;
};

// The memory image a HEX file describes: contiguous bytes from its lowest data address on,
// gaps filled with 0xFF.
struct HexImage {
  std::uint32_t BaseAddress = 0;
  std::vector<std::uint8_t> Bytes;
  std::optional<std::uint32_t> StartAddress;  // from a type 05 record, if any
};

// Parses `text` as Intel HEX: records 00 (data), 01 (end of file), 02 (extended segment address),
// 04 (extended linear address) and 05 (start linear address); lines end in LF or CR LF and blank
// lines are skipped; anything after the end-of-file record is ignored. A data record that runs
// past the end of its 64 KiB segment continues at the next address. Every record's checksum is
// verified. Raises IntelHexError (with the line number) for a malformed record, a bad checksum, an
// unknown record type, data that overlaps earlier data, data whose span from the lowest to the
// highest address exceeds `maxImageSize` or that lies beyond 4 GiB, and a missing end-of-file
// record. Allocates at most `maxImageSize` bytes for the image. Any thread.
HexImage ParseIntelHex(std::span<const std::uint8_t> text, std::size_t maxImageSize);

}  // namespace quorin
