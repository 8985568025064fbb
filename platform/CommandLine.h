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

// Makes UTF-8 text written to the standard streams show correctly where they are a console;
// bytes written to a pipe or a file are not touched. POSIX: nothing to do (terminals take the
// bytes as they are). Windows: the console's output code page becomes UTF-8 while the process
// runs and is put back at exit. Call it once, early in main(). Never raises.
void UseUtf8Console();

}  // namespace quorin::platform
