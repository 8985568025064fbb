#pragma once
// Option values that name something: a pack, a port, a settings, trace or output file, a link, a
// scenario of the simulated controller.
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace quorin {

// A CLI11 check that refuses an empty value: an empty name names nothing, and a script whose
// variable came out empty (`--port "$PORT"`) must stop with a usage error rather than fall back
// on a default such as the settings file's port. CLI11 names the option in its message.
CLI::Validator NotEmpty();

// Adds to `command` the option `name` (a positional one too) whose value names something: checked
// with NotEmpty. Returns the option for more settings (required(), ...).
CLI::Option* AddNameOption(CLI::App& command, const std::string& name, std::string& value,
                           const std::string& description);

// A CLI11 check that accepts the names of the simulated controller's scenarios; help lists them.
CLI::Validator ScenarioName();

// `arguments` (the program's name first) with every "--name=" before a "--" split into "--name"
// and "": an option given an empty value with '=' keeps it empty, where CLI11 would take the next
// argument for its value (`--port="$PORT" --json` would open a port named "--json"). Pure.
std::vector<std::string> WithEmptyValuesKept(std::vector<std::string> arguments);

// Makes `app` show its messages about a command line it cannot parse cleaned for the terminal
// (platform::TerminalSafe): they quote the arguments, file names among them. Call it before
// parsing; main thread.
void ShowParseErrorsCleaned(CLI::App& app);

}  // namespace quorin
