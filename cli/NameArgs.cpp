#include "cli/NameArgs.h"

#include "platform/OutsideText.h"
#include "sim/SimOptions.h"

namespace quorin {

CLI::Validator NotEmpty() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        return text.empty() ? std::string("must not be empty") : std::string();
      },
      "");
}

CLI::Option* AddNameOption(CLI::App& command, const std::string& name, std::string& value,
                           const std::string& description) {
  return command.add_option(name, value, description)->check(NotEmpty());
}

CLI::Validator ScenarioName() {
  std::vector<std::string> names;
  for (std::string_view name : sim::ScenarioNames()) names.emplace_back(name);
  return CLI::IsMember(names);
}

std::vector<std::string> WithEmptyValuesKept(std::vector<std::string> arguments) {
  std::vector<std::string> kept;
  kept.reserve(arguments.size());
  bool options = true;
  for (std::string& argument : arguments) {
    if (argument == "--") options = false;
    if (options && argument.size() > 3 && argument.starts_with("--") && argument.back() == '=' &&
        argument.find('=') == argument.size() - 1) {
      argument.pop_back();
      kept.push_back(std::move(argument));
      kept.emplace_back();
    } else {
      kept.push_back(std::move(argument));
    }
  }
  return kept;
}

void ShowParseErrorsCleaned(CLI::App& app) {
  app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
    // CLI11's own text is error.what() (which quotes the arguments), then its hint.
    const std::string text = CLI::FailureMessage::simple(failed, error);
    const std::string_view what = error.what();
    if (!std::string_view(text).starts_with(what)) return platform::TerminalSafe(text) + "\n";
    return platform::TerminalSafe(what) + text.substr(what.size());
  });
}

}  // namespace quorin
