#pragma once
// Whole-file reads and writes for the commands, with errors a user can act on.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorin {

// A file that cannot be read or written; what() says which file and why.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The output file exists and may not be replaced.
class FileExists : public FileError {
 public:
  using FileError::FileError;
};

// The file holds more than the caller accepts; Size() is its size in bytes.
class FileTooLarge : public FileError {
 public:
  FileTooLarge(const std::string& message, std::uintmax_t size) : FileError(message), size_(size) {}
  std::uintmax_t Size() const { return size_; }

 private:
  std::uintmax_t size_;
};

// The bytes of the regular file at `path`. Reads at most `maxBytes` + 1 bytes: raises FileTooLarge
// beyond `maxBytes`, FileError when the file cannot be opened or read. Any thread.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::size_t maxBytes);

// Writes `bytes` as the file at `path`. Without `replace` an existing file is kept and FileExists
// raised; with it, the new file takes the old one's place only once it is completely written.
// Raises FileError when the file cannot be written; no partial file is left behind. Any thread.
void WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes, bool replace);

}  // namespace quorin
