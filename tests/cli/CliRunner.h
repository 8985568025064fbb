#pragma once
// Runs the built quorin-iap-cli as a user would and captures what it prints.
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/pack/TestFiles.h"

namespace quorin::testing {

struct CliResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the tool with `args` in the folder `workDir`, stdin empty, stdout and stderr captured in
// files there; waits at most a minute for it (CliRunnerPosix.cpp, CliRunnerWin32.cpp).
CliResult RunCli(const std::vector<std::string>& args, const TempDir& workDir);

}  // namespace quorin::testing
