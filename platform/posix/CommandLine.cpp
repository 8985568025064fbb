#include "platform/CommandLine.h"

namespace quorin::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
  return arguments;
}

void UseUtf8StandardStreams() {}

}  // namespace quorin::platform
