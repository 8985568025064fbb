#pragma once
// std::filesystem paths from and to our UTF-8 strings. A path made from a plain std::string takes
// the bytes in the system's narrow encoding, which on Windows is not UTF-8 (a Chinese file name
// would come out garbled), so every conversion between the two goes through these. Pure text, no
// file system access; any thread.
#include <filesystem>
#include <string>
#include <string_view>

namespace quorin::platform {

// The path named by the UTF-8 text `utf8`. Never raises except std::bad_alloc.
inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// `path` as UTF-8 text. Never raises except std::bad_alloc.
inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace quorin::platform
