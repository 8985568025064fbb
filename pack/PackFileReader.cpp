#include "pack/PackFileReader.h"

#include <span>

#include "platform/Files.h"

namespace quorin {

void ReadPackImage(const std::string& path, PackImage& image) {
  // One read of the whole image from the start of the file.
  const std::error_code error =
      platform::ReadFilePrefix(path, std::as_writable_bytes(std::span(image)));
  if (error) {
    const platform::InOutError failure = platform::DescribeInOutError(error, path);
    throw EInOutError(failure.Code, failure.Text);
  }
}

}  // namespace quorin
