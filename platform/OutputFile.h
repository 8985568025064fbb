#pragma once
// An output file that must never hold up its writer (the command line's --trace): opened without
// ever blocking, and written without ever waiting longer than the caller allows. Any thread.
#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "platform/UniqueHandle.h"

namespace quorin::platform {

// Why a trace target was not opened. Refused: the command line asked for something this tool
// will not do (replace an existing file without --force-trace, write over the pack, the settings
// file or the port); Unwritable: the system would not open it.
class TraceOpenError : public std::runtime_error {
 public:
  enum class Kind { Refused, Unwritable };
  TraceOpenError(Kind kind, const std::string& message)
      : std::runtime_error(message), kind_(kind) {}
  // The two sentences the command line shows: why `path` could not be opened, why it is refused.
  static TraceOpenError Unwritable(const std::string& path, const std::string& why) {
    return TraceOpenError(Kind::Unwritable, "cannot open the trace file " + path + ": " + why);
  }
  static TraceOpenError Refused(const std::string& path, const std::string& why) {
    return TraceOpenError(Kind::Refused, "--trace " + path + ": " + why);
  }
  Kind Reason() const { return kind_; }

 private:
  Kind kind_;
};

// A file the trace must never be written into, e.g. {"the pack", "fw.Pack"}.
struct KeptFile {
  std::string What;
  std::string Path;
};

// Opens `path` for writing without blocking (a FIFO nobody reads is refused at once) and without
// truncating anything before it is judged: a new file is created; an existing regular file is
// truncated only with `replace`; a FIFO, a pipe or a device is written as it is. A target that is
// one of `kept` (the same file by device and inode, whatever the spelling or link) is refused even
// with `replace`. Raises TraceOpenError; its what() is a whole sentence naming `path`. The
// handle stays non-blocking.
UniqueHandle OpenTraceTarget(const std::string& path, bool replace,
                             const std::vector<KeptFile>& kept);

// Writes the start of `bytes` to `handle`, waiting at most `wait` for room. Returns the number of
// bytes written (0: no room within `wait`); -1 with `error` set when the system refuses.
long WriteWithin(NativeHandle handle, const char* bytes, std::size_t length,
                 std::chrono::milliseconds wait, std::error_code& error);

// Blocks every signal for the calling thread: a helper thread never takes the interrupt signals
// meant for the job's watcher, and a broken pipe comes back as EPIPE instead of ending the process.
void BlockSignalsForThisThread();

}  // namespace quorin::platform
