#include "app/CommandLine.h"

#include <string_view>

namespace quorin {
namespace {

void AddPack(CommandLine& line, const std::string& argument) {
  if (line.PackPath.empty()) {
    line.PackPath = argument;
  } else {
    line.Error = "only one pack can be opened, got " + line.PackPath + " and " + argument;
  }
}

}  // namespace

bool IsPackName(std::string_view name) {
  constexpr std::string_view kSuffix = ".pack";
  if (name.size() < kSuffix.size()) return false;
  const std::string_view tail = name.substr(name.size() - kSuffix.size());
  for (std::size_t i = 0; i < kSuffix.size(); ++i) {
    const char c = tail[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kSuffix[i]) return false;
  }
  return true;
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  constexpr std::string_view kSimulateIs = "--simulate=";
  CommandLine line;
  bool optionsEnded = false;  // after "--" every argument is a pack, whatever it begins with
  for (std::size_t i = 0; i < arguments.size() && line.Error.empty(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded) {
      AddPack(line, argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--help" || argument == "-h") {
      line.ShowHelp = true;
    } else if (argument == "--version") {
      line.ShowVersion = true;
    } else if (argument == "--measure-startup") {
      line.MeasureStartup = true;
    } else if (argument == "--simulate") {
      line.Simulate = true;
      if (i + 1 < arguments.size() && !arguments[i + 1].starts_with('-') &&
          !IsPackName(arguments[i + 1])) {
        line.Scenario = arguments[++i];
      }
    } else if (argument.starts_with(kSimulateIs)) {
      line.Simulate = true;
      line.Scenario = argument.substr(kSimulateIs.size());
      if (line.Scenario.empty()) line.Error = "--simulate= needs a scenario name";
    } else if (argument.starts_with('-') && argument != "-") {
      line.Error = "unknown option " + argument;
    } else {
      AddPack(line, argument);
    }
  }
  return line;
}

std::string UsageText() {
  return "usage: quorin-iap [PACK]\n"
         "       quorin-iap --simulate [SCENARIO] [PACK]\n"
         "       quorin-iap [OPTION...] -- PACK\n"
         "\n"
         "Opens the controller update window; with PACK, that pack is read at once.\n"
         "  --simulate [SCENARIO]  program a simulated controller instead of a serial port\n"
         "  --measure-startup      quit as soon as the window is first painted, printing the\n"
         "                         time it took, the peak memory and the window's caption\n"
         "  --version              print the version\n"
         "  --help                 print this text\n"
         "  --                     ends the options: what follows is the pack, even when it\n"
         "                         begins with '-'\n";
}

std::optional<AnswerWithoutWindow> AnswerBeforeWindow(const CommandLine& line) {
  if (!line.Error.empty())
    return AnswerWithoutWindow{true, "quorin-iap: " + line.Error + "\n\n" + UsageText(), 2};
  if (line.ShowHelp) return AnswerWithoutWindow{false, UsageText(), 0};
  if (line.ShowVersion)
    return AnswerWithoutWindow{false, std::string("quorin-iap ") + QUORIN_VERSION + "\n", 0};
  return std::nullopt;
}

}  // namespace quorin
