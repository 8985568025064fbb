#pragma once
// The desktop program's command line, the same for the Qt and the Win32 window:
//   quorin-iap [PACK]                       open, reading PACK when given
//   quorin-iap --simulate[=SCENARIO] [PACK] the same against the simulated controller
//   quorin-iap --simulate SCENARIO [PACK]   (a following word not ending in .Pack is the scenario)
//   quorin-iap --measure-startup            quit once the window is first painted (bench/app)
//   quorin-iap [OPTION...] -- PACK          "--" ends the options: PACK may begin with '-'
// Toolkit-free; arguments are UTF-8 (or the file system's bytes for PACK).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorin {

struct CommandLine {
  std::string PackPath;  // empty: no pack to read at start
  bool Simulate = false;
  std::string Scenario;  // empty: the simulator's default
  bool MeasureStartup = false;
  bool ShowHelp = false;
  bool ShowVersion = false;
  std::string Error;  // non-empty: what is wrong with the arguments
};

// True when `name` ends in ".pack", in any case. Pure.
bool IsPackName(std::string_view name);

// Parses the arguments after the program name. Pure; any thread.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The usage text printed by --help and after an error.
std::string UsageText();

// What the program prints, and the code it exits with, instead of opening its window: --help and
// --version on standard output (0), a command line it cannot use with the usage on standard
// error (2). Nothing when the window opens.
struct AnswerWithoutWindow {
  bool OnStandardError = false;
  std::string Text;
  int ExitCode = 0;
};
std::optional<AnswerWithoutWindow> AnswerBeforeWindow(const CommandLine& line);

}  // namespace quorin
