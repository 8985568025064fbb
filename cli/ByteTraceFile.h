#pragma once
// --trace FILE: a timestamped hex dump of every byte a job sends and receives.
//   "   0.200314 TX 02"
//   "   0.200871 RX 02 FD"
// Seconds since the trace was opened (steady clock), direction, up to 16 bytes per line; longer
// runs continue on lines of their own with the same time.
//
// The trace never holds the job up: records go into a bounded queue that a writer thread of its
// own empties. What does not fit (a slow or stopped reader of a FIFO or pipe) is dropped and
// counted, and a failing write (a full disk) stops the writing; Finish tells both.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "iap/ByteTrace.h"
#include "platform/OutputFile.h"
#include "platform/UniqueHandle.h"

namespace quorin {

class ByteTraceFile {
 public:
  // Text waiting for the writer beyond this is dropped.
  static constexpr std::size_t kQueueLimit = 64 * 1024;
  // How long Finish keeps writing what is queued when the target takes it slowly.
  static constexpr std::chrono::milliseconds kDrainLimit{500};

  // Opens `path` (see OpenTraceTarget: `replace` is --force-trace, `kept` the files it must never
  // be) and starts the writer thread. Raises TraceOpenError.
  ByteTraceFile(const std::string& path, bool replace, const std::vector<platform::KeptFile>& kept);
  // Finishes, if Finish was not called.
  ~ByteTraceFile();
  ByteTraceFile(const ByteTraceFile&) = delete;
  ByteTraceFile& operator=(const ByteTraceFile&) = delete;

  // Any thread (the job worker for sent bytes, the loop's thread for received ones). Never waits
  // for the target: takes a short lock, queues or drops.
  void Record(TraceDirection direction, const std::uint8_t* bytes, std::size_t length);

  // A ByteTrace that records into this file; the file must outlive every call of it.
  ByteTrace Hook();

  // Stops taking records, writes what is queued for at most kDrainLimit, drops the rest and joins
  // the writer. Returns the lines to show the user about a failed write and dropped bytes (each
  // ending in '\n'; empty when the trace is complete). Call once, on the thread that made it.
  std::string Finish();

 private:
  struct Chunk {
    std::string Text;
    std::size_t Traffic;  // bytes of the line these lines show
  };
  void Write();

  std::string path_;
  platform::UniqueHandle fd_;
  std::chrono::steady_clock::time_point opened_ = std::chrono::steady_clock::now();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Chunk> queue_;     // guarded by mutex_
  std::size_t queuedText_ = 0;  // guarded by mutex_
  bool stopping_ = false;       // guarded by mutex_
  std::uint64_t dropped_ = 0;   // guarded by mutex_: bytes of traffic not traced
  std::atomic<bool> failed_{false};
  std::error_code writeError_;  // written by the writer before failed_, read after the join
  std::thread writer_;          // joined by Finish
};

}  // namespace quorin
