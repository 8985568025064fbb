#pragma once
// --trace FILE: a timestamped hex dump of every byte a job sends and receives.
//   "   0.200314 TX 02"
//   "   0.200871 RX 02 FD"
// Seconds since the trace was opened (steady clock), direction, up to 16 bytes per line; longer
// runs continue on lines of their own with the same time.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "iap/ByteTrace.h"

namespace quorin {

class ByteTraceFile {
 public:
  // Creates or truncates `path`. Raises std::runtime_error ("cannot write trace file PATH: why").
  explicit ByteTraceFile(const std::string& path);

  // Any thread (the job worker for sent bytes, the loop's thread for received ones).
  void Record(TraceDirection direction, const std::uint8_t* bytes, std::size_t length);

  // A ByteTrace that records into this file; the file must outlive every call of it.
  ByteTrace Hook();

 private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::mutex mutex_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::chrono::steady_clock::time_point opened_ = std::chrono::steady_clock::now();
};

// One record as the lines the file gets (each ending in '\n'). Pure; any thread.
std::string FormatTraceRecord(double seconds, TraceDirection direction, const std::uint8_t* bytes,
                              std::size_t length);

}  // namespace quorin
