#include "cli/NameArgs.h"

namespace quorin {

CLI::Validator NotEmpty() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        return text.empty() ? std::string("must not be empty") : std::string();
      },
      "");
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

}  // namespace quorin
