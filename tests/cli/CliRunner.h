#pragma once
// Runs the built quorin-iap-cli as a user would and captures what it prints.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/pack/TestFiles.h"
#include "tests/support/WaitChild.h"

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

// Runs the tool with `args` in the folder `workDir`, stdout and stderr captured in files there.
inline CliResult RunCli(const std::vector<std::string>& args, const TempDir& workDir) {
  const std::string outPath = workDir.File(".stdout");
  const std::string errPath = workDir.File(".stderr");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  // The child starts in workDir so relative paths are resolved there.
  posix_spawn_file_actions_addchdir_np(&actions, workDir.Path().c_str());

  std::vector<std::string> argv = {QUORIN_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (auto& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);

  pid_t child = 0;
  const int spawned = posix_spawn(&child, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + std::string(QUORIN_CLI_PATH));

  const std::optional<int> waited = support::WaitChild(child, std::chrono::seconds(120));
  if (!waited) throw std::runtime_error("the tool did not end within 120 s");
  const int status = *waited;
  CliResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = ReadText(outPath);
  result.err = ReadText(errPath);
  return result;
}

}  // namespace quorin::testing
