// What reading and writing a file mean on every platform, built on ReadableFile and the
// platform's half of writing (one implementation each per platform, in posix/ and win32/).
#include <algorithm>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/FileWriting.h"

namespace quorin::platform {
namespace {

class FileErrorCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "quorin-file"; }
  std::string message(int value) const override {
    switch (static_cast<FileErrc>(value)) {
      case FileErrc::ReadBeyondEnd: return "Read beyond end of file";
      case FileErrc::NotRegularFile: return "not a regular file";
      case FileErrc::TooLarge: return "file too large";
    }
    return "unknown file error";
  }
};

}  // namespace

const std::error_category& FileCategory() {
  static const FileErrorCategory category;
  return category;
}

std::error_code make_error_code(FileErrc error) {
  return {static_cast<int>(error), FileCategory()};
}

std::error_code ReadableFile::ReadExactly(std::span<std::byte> buffer) {
  // The kernel may hand a large read over in parts.
  std::size_t filled = 0;
  while (filled < buffer.size()) {
    std::error_code error;
    const std::size_t got = Read(buffer.subspan(filled), error);
    if (error) return error;
    if (got == 0) return FileErrc::ReadBeyondEnd;
    filled += got;
  }
  return {};
}

std::error_code ReadFilePrefix(const std::string& path, std::span<std::byte> buffer) {
  std::error_code error;
  ReadableFile file = ReadableFile::Open(path, ReadableFile::Kind::Any, error);
  if (error) return error;
  return file.ReadExactly(buffer);
}

FileContents ReadWholeFile(const std::string& path, std::size_t maxBytes) {
  FileContents result;
  ReadableFile file = ReadableFile::Open(path, ReadableFile::Kind::Regular, result.error);
  if (result.error) return result;
  const std::uintmax_t size = file.Size(result.error);
  if (result.error) return result;
  if (size > maxBytes) {
    result.error = FileErrc::TooLarge;
    result.sizeSeen = size;
    return result;
  }
  std::vector<std::uint8_t>& bytes = result.bytes;
  bytes.resize(maxBytes + 1 < 65536 ? maxBytes + 1 : 65536);
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) {
      if (bytes.size() > maxBytes) break;
      bytes.resize(std::min(bytes.size() * 2, maxBytes + 1));
    }
    const std::size_t got =
        file.Read(std::as_writable_bytes(std::span(bytes)).subspan(filled), result.error);
    if (result.error) {
      bytes.clear();
      return result;
    }
    if (got == 0) break;
    filled += got;
  }
  if (filled > maxBytes) {  // the file grew after it was opened
    bytes.clear();
    result.error = FileErrc::TooLarge;
    return result;
  }
  bytes.resize(filled);
  return result;
}

std::error_code WriteFileAtomically(const std::string& path, const FileProducer& produce,
                                    const WriteOptions& options, WriteStep* failedStep) {
  WriteStep step = WriteStep::Create;
  const std::error_code error =
      path.empty() ? std::make_error_code(std::errc::no_such_file_or_directory)
                   : detail::WriteNamedFileAtomically(path, produce, options, step);
  if (error && failedStep != nullptr) *failedStep = step;
  return error;
}

}  // namespace quorin::platform
