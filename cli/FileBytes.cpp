#include "cli/FileBytes.h"

#include <span>
#include <system_error>
#include <utility>

#include "platform/Files.h"

namespace quorin {
namespace {

std::string Reason(std::error_code error) {
  return error.message();
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::size_t maxBytes) {
  platform::FileContents contents = platform::ReadWholeFile(path, maxBytes);
  const std::error_code error = contents.Error;
  if (error == platform::FileErrc::TooLarge) {
    if (contents.SizeSeen > maxBytes) {
      throw FileTooLarge(path + " holds " + std::to_string(contents.SizeSeen) + " bytes",
                         contents.SizeSeen);
    }
    // The file grew after it was opened.
    throw FileTooLarge(path + " holds more than " + std::to_string(maxBytes) + " bytes",
                       maxBytes + 1);
  }
  if (error == platform::FileErrc::NotRegularFile || error == std::errc::is_a_directory) {
    throw FileError("cannot read " + path + ": not a regular file");
  }
  if (error) throw FileError("cannot read " + path + ": " + Reason(error));
  return std::move(contents.Bytes);
}

void WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes, bool replace) {
  platform::WriteOptions options;
  options.KeepExisting = !replace;
  platform::WriteStep step = platform::WriteStep::Create;
  const std::error_code error = platform::WriteFileAtomically(
      path, [bytes](platform::FileSink& sink) { return sink.Write(std::as_bytes(bytes)); }, options,
      &step);
  if (!error) return;
  if (step == platform::WriteStep::Create) {
    if (!replace && error == std::errc::file_exists) throw FileExists(path + " already exists");
    if (!replace) throw FileError("cannot create " + path + ": " + Reason(error));
    throw FileError("cannot create a file beside " + path + ": " + Reason(error));
  }
  throw FileError("cannot write " + path + ": " + Reason(error));
}

}  // namespace quorin
