#pragma once
// The program's command-line arguments as UTF-8, whatever the system hands to main().
#include <string>
#include <vector>

namespace quorin::platform {

// The arguments of this process, the program's name first, in UTF-8. POSIX: argv as it is (the
// bytes the caller passed). Windows: the UTF-16 command line (GetCommandLineW) split by the
// system's rules, so that a name with letters outside the ANSI code page arrives intact; `argc`
// and `argv` are used only when the system cannot split it. Call it on the main thread. Never
// raises except std::bad_alloc.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Makes standard output and error carry exactly the UTF-8 bytes the program writes: where they
// are a console the text shows correctly, and a pipe or a file receives the bytes unchanged (a
// line ends in "\n" alone, as on POSIX). POSIX: nothing to do. Windows: no "\r\n" translation by
// the C runtime, and a console's output code page becomes UTF-8 while the process runs (put back
// at exit). Call it once, early in main(), before anything is written. Never raises.
void UseUtf8StandardStreams();

}  // namespace quorin::platform
