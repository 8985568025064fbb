#pragma once
// The process's standard streams.
#include <cstdint>
#include <cstdio>

namespace quorin::platform {

// Makes sure standard input, output and error are open: each one that is closed is opened on the
// null device. Without it, the first file or port a program opens would take the place of a
// closed standard stream, and its output (or a library's diagnostics) would land in that file.
// Call it first thing in main(), before any other thread starts. Returns false when a closed
// stream could not be reopened. Never raises.
bool EnsureStandardDescriptorsOpen();

// True when `stream` is connected to a terminal (a console on Windows). Never raises. Any thread.
bool IsTerminal(std::FILE* stream);

// This process's id, as the system numbers processes.
std::uint64_t CurrentProcessId();
// True when a process with id `pid` runs on this machine now (also one this user may not signal
// or inspect); false when there is none. Never raises. Any thread.
bool ProcessIsRunning(std::uint64_t pid);

}  // namespace quorin::platform
