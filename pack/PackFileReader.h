#pragma once
// Reading the fixed-size image of a pack file, with the loader's I/O errors.
#include <array>
#include <cstdint>
#include <string>

#include "pack/UpdatePack.h"

namespace quorin {

using PackImage = std::array<std::uint8_t, kPackImageSize>;

// Opens the existing file at `path` for reading and writing, shared and unlocked (nothing is ever
// written), reads its first 131072 bytes into `image` and closes it on every path. Never blocks
// on a FIFO or a device without data: it is opened non-blocking.
// Raises EInOutError (see InOutErrorFor) when the file cannot be opened or read, and code 100
// "Read beyond end of file" when it holds fewer than 131072 bytes; `image` may then hold part of
// the file. Any thread.
void ReadPackImage(const std::string& path, PackImage& image);

// The loader's error for the errno `error` met while opening or reading `path`:
// ENOENT -> 2 "File not found" (3 "Invalid filename" when the file's directory does not exist),
// ENOTDIR -> 3, EMFILE/ENFILE -> 4 "Too many open files", EACCES/EPERM/EROFS -> 5
// "File access denied", anything else N -> N "I/O error N". Looks at the file system for ENOENT.
EInOutError InOutErrorFor(int error, const std::string& path);

// Code 100, "Read beyond end of file": the file holds fewer bytes than the image.
EInOutError ReadBeyondEndOfFile();

}  // namespace quorin
