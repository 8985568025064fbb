// What reading and writing a file mean on every platform, built on ReadableFile and the
// platform's half of writing (one implementation each per platform, in posix/ and win32/).
#include "platform/Files.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileWriting.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Utf8Path.h"

namespace quorin::platform {
namespace {

class FileErrorCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "quorin-file"; }
  std::string message(int value) const override {
    switch (static_cast<FileErrc>(value)) {
      case FileErrc::ReadBeyondEnd:
        return "Read beyond end of file";
      case FileErrc::NotRegularFile:
        return "not a regular file";
      case FileErrc::TooLarge:
        return "file too large";
      case FileErrc::PipeSilent:
        return "nothing came through the pipe in time";
    }
    return "unknown file error";
  }
};

// The writer's process id when `name` is TemporaryLeaf(leaf, pid, tag) for some pid and tag.
std::optional<std::uint64_t> TemporaryWriter(std::string_view name, std::string_view leaf) {
  const std::string prefix = "." + std::string(leaf) + ".";
  constexpr std::string_view kSuffix = ".tmp";
  if (name.size() <= prefix.size() + kSuffix.size() || name.substr(0, prefix.size()) != prefix ||
      name.substr(name.size() - kSuffix.size()) != kSuffix) {
    return std::nullopt;
  }
  const std::string_view middle =
      name.substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
  const std::size_t dash = middle.find('-');
  // The tag is a decimal number as the process id is.
  if (dash == std::string_view::npos || !ProcessIdOf(middle.substr(dash + 1))) return std::nullopt;
  return ProcessIdOf(middle.substr(0, dash));
}

const std::error_category& FileCategory() {
  static const FileErrorCategory category;
  return category;
}

}  // namespace

namespace detail {

std::string TemporaryLeaf(std::string_view leaf, std::uint64_t pid, std::uint64_t tag) {
  return "." + std::string(leaf) + "." + std::to_string(pid) + "-" + std::to_string(tag) + ".tmp";
}

void RemoveStaleTemporaries(const std::string& target) {
  namespace fs = std::filesystem;
  const fs::path path = PathFromUtf8(target);
  const std::string leaf = Utf8FromPath(path.filename());
  fs::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  const auto now = fs::file_time_type::clock::now();
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    const std::optional<std::uint64_t> writer =
        TemporaryWriter(Utf8FromPath(entries->path().filename()), leaf);
    if (!writer || !fs::is_regular_file(entries->symlink_status(error))) continue;
    const auto written = fs::last_write_time(entries->path(), error);
    // Stale even when a process of its writer's id runs (ids are reused): a replace takes well
    // under a second.
    const bool old = !error && now - written > std::chrono::hours(1);
    if (old || !ProcessIsRunning(*writer)) {
      std::error_code ignored;
      fs::remove(entries->path(), ignored);
    }
    error.clear();
  }
}

}  // namespace detail

std::error_code make_error_code(FileErrc error) {
  return {static_cast<int>(error), FileCategory()};
}

std::error_code ReadFilePrefix(const std::string& path, std::span<std::byte> buffer) {
  std::error_code error;
  ReadableFile file = ReadableFile::Open(path, ReadableFile::Kind::Stream, error);
  // The kernel may hand a large read over in parts.
  for (std::size_t filled = 0; !error && filled < buffer.size();) {
    const std::size_t got = file.Read(buffer.subspan(filled), error);
    if (!error && got == 0) return FileErrc::ReadBeyondEnd;
    filled += got;
  }
  return error;
}

FileContents ReadWholeFile(const std::string& path, std::size_t maxBytes) {
  FileContents result;
  ReadableFile file = ReadableFile::Open(path, ReadableFile::Kind::Stream, result.Error);
  if (result.Error) return result;
  const std::uintmax_t size = file.IsPipe() ? 0 : file.Size(result.Error);
  if (result.Error) return result;
  if (size > maxBytes) {
    result.Error = FileErrc::TooLarge;
    result.SizeSeen = size;
    return result;
  }
  std::vector<std::uint8_t>& bytes = result.Bytes;
  bytes.resize(maxBytes + 1 < 65536 ? maxBytes + 1 : 65536);
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) {
      if (bytes.size() > maxBytes) break;
      bytes.resize(std::min(bytes.size() * 2, maxBytes + 1));
    }
    const std::size_t got =
        file.Read(std::as_writable_bytes(std::span(bytes)).subspan(filled), result.Error);
    if (result.Error || got == 0) break;
    filled += got;
  }
  // More than maxBytes now: the file grew after it was opened.
  if (!result.Error && filled > maxBytes) result.Error = FileErrc::TooLarge;
  bytes.resize(result.Error ? 0 : filled);
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

InOutError DescribeInOutError(std::error_code error, const std::string& path) {
  if (error == FileErrc::ReadBeyondEnd) return {100, "Read beyond end of file"};
  constexpr const char* kTexts[] = {"File not found", "Invalid filename", "Too many open files",
                                    "File access denied"};
  // A folder, a device or a socket given as a file is a file one may not use.
  const bool notAFile = error == FileErrc::NotRegularFile || error == std::errc::is_a_directory;
  int code = notAFile ? 5 : detail::InOutCodeOf(error);
  if (code == 2 && !IsExistingFolder(FolderOf(path))) code = 3;
  if (code >= 2 && code <= 5) return {code, kTexts[code - 2]};
  const int other = error == FileErrc::PipeSilent ? SilentPipeIoCode() : error.value();
  return {other, "I/O error " + std::to_string(other)};
}

}  // namespace quorin::platform
