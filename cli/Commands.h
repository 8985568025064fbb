#pragma once
// The commands of quorin-iap-cli. Each command lives in its own Cmd<Name>.cpp and registers
// itself with one Add<Name>Command call from main(). A command's callback runs after the whole
// command line has been parsed, on the main thread, and stores its exit code in `exitCode`.
// Commands print; nothing below cli/ does.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/OutsideText.h"

namespace quorin {

// Exit codes shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBrokenPack = 1;      // "Pack file was briken"; also firmware that cannot
                                               // be made into a pack (pack create)
inline constexpr int kExitUnreadablePack = 2;  // a file cannot be read or written
inline constexpr int kExitPortError = 3;       // "UART Port error "
inline constexpr int kExitNotIdentified = 4;   // the loader did not identify itself
inline constexpr int kExitUnsuccessful = 5;    // "Program unsucessful"
inline constexpr int kExitProgramFail = 6;     // "Program fail "
inline constexpr int kExitForeignTarget = 7;   // a pack for another target, refused
inline constexpr int kExitUsage = 64;          // a command line that cannot be parsed
inline constexpr int kExitInternalError = 70;  // an unexpected failure inside the tool
inline constexpr int kExitInterrupted = 130;   // Ctrl-C

// Says on stderr why `command` ("pack create"; empty: the program as a whole) fails, as one line
// "quorin-iap-cli COMMAND: LINE" with `line` cleaned for the terminal (it may name a file or quote
// the system). Returns `exitCode`. Main thread.
inline int Fail(std::string_view command, int exitCode, std::string_view line) {
  std::string who = "quorin-iap-cli";
  if (!command.empty()) who += " " + std::string(command);
  std::fprintf(stderr, "%s: %s\n", who.c_str(), platform::TerminalSafe(line).c_str());
  return exitCode;
}

// Adds the subcommand `name` with an Options value for its options to fill, which `run` gets once
// the whole command line is parsed; its result becomes `exitCode`. Returns the subcommand and the
// value (which lives as long as the subcommand).
template <typename Options>
auto AddCommand(CLI::App& parent, const std::string& name, const std::string& description,
                int& exitCode, int (*run)(const Options&)) {
  auto options = std::make_shared<Options>();
  CLI::App* command = parent.add_subcommand(name, description);
  command->callback([options, run, &exitCode] { exitCode = run(*options); });
  return std::pair(command, options.get());
}

// `info PACK [--json]`: loads a pack and shows its header fields.
void AddInfoCommand(CLI::App& app, int& exitCode);

// `pack create --firmware FILE --version N ... -o OUT`: writes a pack from a .bin or .hex file.
void AddPackCommand(CLI::App& app, int& exitCode);

// `flash PACK [--port NAME | --simulate[=SCENARIO]] [--settings FILE] [--force] [--trace FILE]`:
// one programming job, on a serial port or against the simulated controller in this process.
void AddFlashCommand(CLI::App& app, int& exitCode);

// Called by main() once, after a command line that could not be parsed (exit code 64): a `flash`
// command that asked for --json still gets its one JSON object on stdout, outcome "usage-error",
// with what is known of the pack; any other command line prints nothing here. Main thread.
void ReportUsageError(const CLI::App& app);

// `ports`: the serial devices with their descriptions.
void AddPortsCommand(CLI::App& app, int& exitCode);

// `doctor [--port NAME] [--settings FILE] [--loopback] [--json] [--watch SECONDS]`: why the tool
// cannot reach the controller.
void AddDoctorCommand(CLI::App& app, int& exitCode);

// `simulate [--scenario NAME] [--link PATH]`: the simulated controller on a pseudo-terminal,
// serving jobs until SIGINT or SIGTERM.
void AddSimulateCommand(CLI::App& app, int& exitCode);

}  // namespace quorin
