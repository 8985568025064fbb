#pragma once
// Reading the fixed-size image of a pack file, with the loader's I/O errors.
#include <array>
#include <cstdint>
#include <string>

#include "pack/UpdatePack.h"

namespace quorin {

using PackImage = std::array<std::uint8_t, kPackImageSize>;

// Opens the existing file at `path` for reading only (nothing is ever written), reads its first
// 131072 bytes into `image` and closes it on every path. Never blocks on a FIFO or a device
// without data.
// Raises EInOutError with the loader's code and text (platform::DescribeInOutError): 2 "File not
// found", 3 "Invalid filename", 4 "Too many open files", 5 "File access denied" (also for a
// folder), 100 "Read beyond end of file" when the file holds fewer than 131072 bytes, otherwise
// N "I/O error N"; `image` may then hold part of the file. Any thread.
void ReadPackImage(const std::string& path, PackImage& image);

}  // namespace quorin
