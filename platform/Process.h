#pragma once
// The process's standard streams, and other processes by their id.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>

namespace quorin::platform {

// Makes sure standard input, output and error are open: each one that is closed is opened on the
// null device. Without it, the first file or port a program opens would take the place of a
// closed standard stream, and its output (or a library's diagnostics) would land in that file.
// Call it first thing in main(), before any other thread starts. Returns false when a closed
// stream could not be reopened. Never raises.
bool EnsureStandardDescriptorsOpen();

// True when `stream` is connected to a terminal (a console on Windows). Never raises. Any thread.
bool IsTerminal(std::FILE* stream);

// True when a process with id `pid` runs on this machine now (also one this user may not signal
// or inspect); false when there is none. Never raises. Any thread.
bool ProcessIsRunning(std::uint64_t pid);

// The number that `text` spells in decimal digits alone (a /proc entry, a process id in a file
// name); nothing for anything else, an empty text or a number beyond 64 bits. Pure; any thread.
inline std::optional<std::uint64_t> ProcessIdOf(std::string_view text) {
  std::uint64_t id = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, id);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return id;
}

}  // namespace quorin::platform
