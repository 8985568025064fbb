#include "cli/ByteTraceFile.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/OutsideText.h"

namespace quorin {
namespace {
constexpr std::size_t kBytesPerLine = 16;
// How often a writer waiting for room looks whether it should stop.
constexpr std::chrono::milliseconds kRoomPoll{50};

// One record as the lines the file gets (each ending in '\n').
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

}  // namespace

ByteTraceFile::ByteTraceFile(const std::string& path, bool replace,
                             const std::vector<platform::KeptFile>& kept)
    : path_(path), fd_(platform::OpenTraceTarget(path, replace, kept)) {
  writer_ = std::thread([this] { Write(); });
}

ByteTraceFile::~ByteTraceFile() {
  if (writer_.joinable()) Finish();
}

void ByteTraceFile::Record(TraceDirection direction, const std::uint8_t* bytes,
                           std::size_t length) {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - opened_).count();
  std::string text = FormatTraceRecord(seconds, direction, bytes, length);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ || failed_.load() || queuedText_ + text.size() > kQueueLimit) {
      dropped_ += length;
      return;
    }
    queuedText_ += text.size();
    queue_.push_back(Chunk{std::move(text), length});
  }
  wake_.notify_one();
}

ByteTrace ByteTraceFile::Hook() {
  return [this](TraceDirection direction, const std::uint8_t* bytes, std::size_t length) {
    Record(direction, bytes, length);
  };
}

void ByteTraceFile::Write() {
  platform::BlockSignalsForThisThread();
  std::optional<std::chrono::steady_clock::time_point> drainUntil;
  for (;;) {
    Chunk chunk;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return !queue_.empty() || stopping_; });
      if (stopping_ && !drainUntil) drainUntil = std::chrono::steady_clock::now() + kDrainLimit;
      if (queue_.empty()) return;  // stopping, and all written
      chunk = std::move(queue_.front());
      queue_.pop_front();
      queuedText_ -= chunk.Text.size();
    }
    std::size_t written = 0;
    while (written < chunk.Text.size() && !failed_.load()) {
      if (drainUntil && std::chrono::steady_clock::now() >= *drainUntil) break;
      std::error_code error;
      const long wrote = platform::WriteWithin(fd_.Get(), chunk.Text.data() + written,
                                               chunk.Text.size() - written, kRoomPoll, error);
      if (wrote < 0) {
        writeError_ = error;
        failed_.store(true);
      } else if (wrote > 0) {
        written += static_cast<std::size_t>(wrote);
      } else if (!drainUntil) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) drainUntil = std::chrono::steady_clock::now() + kDrainLimit;
      }
    }
    if (written < chunk.Text.size()) {
      std::lock_guard<std::mutex> lock(mutex_);
      dropped_ += chunk.Traffic;
    }
  }
}

std::string ByteTraceFile::Finish() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  if (writer_.joinable()) writer_.join();
  fd_.Reset();

  std::string report;
  if (failed_.load()) {
    report += "trace: writing " + platform::TerminalSafe(path_) +
              " failed: " + writeError_.message() + "; the trace is incomplete\n";
  }
  if (dropped_ > 0) {
    report += "trace: " + std::to_string(dropped_) + " bytes dropped, not in the trace (" +
              (failed_.load() ? std::string("after the failed write")
                              : std::string("its reader did not keep up")) +
              "); the job went on at its own pace\n";
  }
  return report;
}

}  // namespace quorin
