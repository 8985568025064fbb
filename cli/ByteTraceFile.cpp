#include "cli/ByteTraceFile.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace quorin {
namespace {
constexpr std::size_t kBytesPerLine = 16;
}

std::string FormatTraceRecord(double seconds, TraceDirection direction, const std::uint8_t* bytes,
                              std::size_t length) {
  std::string out;
  char prefix[48];
  std::snprintf(prefix, sizeof prefix, "%11.6f %s", seconds,
                direction == TraceDirection::Sent ? "TX" : "RX");
  for (std::size_t at = 0; at < length; at += kBytesPerLine) {
    out += prefix;
    for (std::size_t i = at; i < length && i < at + kBytesPerLine; ++i) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
      out += hex;
    }
    out += '\n';
  }
  return out;
}

ByteTraceFile::ByteTraceFile(const std::string& path) : file_(std::fopen(path.c_str(), "w")) {
  if (!file_) {
    throw std::runtime_error("cannot write trace file " + path + ": " +
                             std::generic_category().message(errno));
  }
}

void ByteTraceFile::Record(TraceDirection direction, const std::uint8_t* bytes,
                           std::size_t length) {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - opened_).count();
  const std::string text = FormatTraceRecord(seconds, direction, bytes, length);
  std::lock_guard<std::mutex> lock(mutex_);
  std::fwrite(text.data(), 1, text.size(), file_.get());
}

ByteTrace ByteTraceFile::Hook() {
  return [this](TraceDirection direction, const std::uint8_t* bytes, std::size_t length) {
    Record(direction, bytes, length);
  };
}

}  // namespace quorin
