#pragma once
// Files: reading a file whole or a fixed-size prefix of it, writing a file so that it is either
// complete or not there, and the pack loader's numbering of I/O errors.
//
// Every function reports the system's reason where the call failed (see SystemError.h), or one
// of the FileErrc reasons below. None keeps a handle open beyond the call, on any path. Any thread;
// they share no state.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

#include "platform/UniqueHandle.h"

namespace quorin::platform {

// Reasons of our own, beside the system's.
enum class FileErrc {
  ReadBeyondEnd = 1,  // the file ended before the bytes asked for were read
  NotRegularFile,     // a FIFO, a device or a socket where a regular file is needed
  TooLarge,           // the file holds more bytes than the caller accepts
  PipeSilent,         // a pipe or FIFO brought nothing for kPipeSilenceLimit (no writer?)
};

// How long a read of a pipe or FIFO waits for its writer's next bytes before it gives up: a FIFO
// that nobody writes must not hold the program for ever.
inline constexpr std::chrono::milliseconds kPipeSilenceLimit{10000};
std::error_code make_error_code(FileErrc error);

}  // namespace quorin::platform

template <>
struct std::is_error_code_enum<quorin::platform::FileErrc> : std::true_type {};

namespace quorin::platform {

// A file open for reading only. Opening never blocks (not on a FIFO without a writer, not on a
// device), never makes the file the controlling terminal, and the handle is not inherited by
// child processes.
class ReadableFile {
 public:
  enum class Kind {
    Regular,  // refuse a folder (is_a_directory) and anything but a regular file (NotRegularFile)
    // A regular file, or a pipe or FIFO read to its end as it comes (`<(cat a.Pack)`,
    // /dev/stdin): each read waits for the writer, at most kPipeSilenceLimit, and a signal that
    // ends the process ends the wait. A folder is refused as with Regular, a device or a socket
    // with NotRegularFile. Where pipes cannot be waited for that way (Windows), they are refused
    // as devices are.
    Stream,
  };
  // Opens the existing file at `path`. Returns a closed object and sets `error` on failure.
  static ReadableFile Open(const std::string& path, Kind kind, std::error_code& error);

  ReadableFile() = default;
  bool IsOpen() const { return handle_.Valid(); }
  // Reads up to buffer.size() bytes at the current position; 0 at the end of the file. Retries
  // interrupted reads. Sets `error` (and returns 0) on failure; a pipe that brings nothing for
  // kPipeSilenceLimit fails with PipeSilent.
  std::size_t Read(std::span<std::byte> buffer, std::error_code& error);
  // The file's size as the system reports it now (meaningless for a pipe).
  std::uintmax_t Size(std::error_code& error) const;
  // True for a pipe or FIFO opened with Kind::Stream.
  bool IsPipe() const { return pipe_; }

 private:
  explicit ReadableFile(UniqueHandle handle, bool pipe = false)
      : handle_(std::move(handle)), pipe_(pipe) {}
  UniqueHandle handle_;
  bool pipe_ = false;
};

// Reads the first buffer.size() bytes of the existing file at `path` (a regular file or a pipe,
// opened as ReadableFile does with Kind::Stream) and closes it. Errors: the system's reason for the
// open or the read, NotRegularFile (a device, a socket), PipeSilent, or FileErrc::ReadBeyondEnd
// when the file holds fewer bytes; `buffer` may then hold part of the file. Bytes after the prefix
// are never read.
std::error_code ReadFilePrefix(const std::string& path, std::span<std::byte> buffer);

// What ReadWholeFile gives back.
struct FileContents {
  std::vector<std::uint8_t> Bytes;  // the file's bytes when `error` is empty
  std::error_code Error;            // the system's reason, NotRegularFile or TooLarge
  // With TooLarge: the size the file had when it was opened; 0 when it was within the limit then
  // and grew while it was read.
  std::uintmax_t SizeSeen = 0;
};
// The bytes of the regular file or pipe at `path` (Kind::Stream), at most `maxBytes` of them: a
// larger file is refused with TooLarge after reading at most maxBytes + 1 bytes. Never raises
// except std::bad_alloc.
FileContents ReadWholeFile(const std::string& path, std::size_t maxBytes);

// Where a producer writes the new content of a file. Made by WriteFileAtomically only.
class FileSink {
 public:
  explicit FileSink(NativeHandle handle) : handle_(handle) {}
  // Writes all of `bytes` (retrying short and interrupted writes). Returns the system's reason
  // when the file system refuses (a full disk ...); the file is then discarded by the caller.
  std::error_code Write(std::span<const std::byte> bytes);
  std::error_code Write(std::string_view text) { return Write(std::as_bytes(std::span(text))); }

 private:
  NativeHandle handle_;
};

// Writes the content of a file; an error it returns abandons the write.
using FileProducer = std::function<std::error_code(FileSink&)>;

struct WriteOptions {
  // false: an existing file is replaced; true: it is kept and the write fails with
  // std::errc::file_exists.
  bool KeepExisting = false;
  // A symbolic link at `path` is followed, so the file it points to is replaced, not the link.
  bool FollowLink = false;
  // The new file takes the replaced file's permission bits and, where the process may set them,
  // its owner and group. Otherwise a new file gets read and write for everyone the creation mask
  // lets through.
  bool KeepAttributes = false;
  // true: an existing file that is read-only (no write permission for anyone, or none for this
  // user) is not replaced: the write fails with std::errc::permission_denied, as the system's
  // profile functions refuse a read-only settings file.
  bool KeepReadOnly = false;
};

// Which step of a write failed, for messages that name it.
enum class WriteStep {
  Create,  // the new file (or its temporary beside the target) could not be created
  Write,   // writing, flushing or putting it in place failed
};

// Writes the file at `path` with what `produce` writes, durably, and so that no reader ever sees
// a part of it:
//  - replacing: the content goes to a new temporary file in the same folder, which is flushed to
//    the disk, renamed over `path` in one step, and then the folder is flushed so that the rename
//    survives a power loss (a failure of that last flush is not reported: the file is right);
//    stale temporaries that interrupted writes into the same file left are removed first;
//  - keeping (options.KeepExisting): the file is created only when it does not exist, written and
//    flushed; a file that cannot be completed is removed again.
// Returns empty on success, otherwise the producer's error or the system's reason, with
// `failedStep` (when given) set; `path` is then as it was before and no temporary file remains.
std::error_code WriteFileAtomically(const std::string& path, const FileProducer& produce,
                                    const WriteOptions& options = {},
                                    WriteStep* failedStep = nullptr);

// The I/O error of the pack loader: its numeric code and its text.
struct InOutError {
  int Code = 0;
  std::string Text;
};
// The loader's code and text for `error`, met while opening or reading `path`:
//   2 "File not found" (the file does not exist), 3 "Invalid filename" (its folder does not
//   exist, or a part of the path is not a folder), 4 "Too many open files", 5 "File access
//   denied" (no permission, a read-only file system, a folder, a device or a socket given as a
//   file), SilentPipeIoCode() "I/O error N" for PipeSilent,
//   100 "Read beyond end of file" (FileErrc::ReadBeyondEnd), anything else N: "I/O error N".
// Looks at the file system to tell 2 from 3. Never raises except std::bad_alloc.
InOutError DescribeInOutError(std::error_code error, const std::string& path);
// The loader's code for FileErrc::PipeSilent: the system's "timed out" number.
int SilentPipeIoCode();

}  // namespace quorin::platform
