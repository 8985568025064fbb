// `quorin-iap-cli simulate` as a separate process: the device it prints, the link it makes and
// removes, a job served through the link, and a clean exit on SIGINT and SIGTERM.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/sim/ToolSide.h"
#include "tests/support/WaitChild.h"

extern char** environ;

namespace quorin::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

// The command running with its stdout on a pipe.
class SimulateProcess {
 public:
  explicit SimulateProcess(std::vector<std::string> args) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    args.insert(args.begin(), {QUORIN_CLI_PATH, "simulate"});
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int error = posix_spawn(&pid_, QUORIN_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    output_ = out[0];
    if (error != 0) throw std::runtime_error("posix_spawn");
  }
  ~SimulateProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      support::WaitChild(pid_, milliseconds(10000));
    }
    ::close(output_);
  }
  SimulateProcess(const SimulateProcess&) = delete;
  SimulateProcess& operator=(const SimulateProcess&) = delete;

  // The next line of stdout, or "" when none came within `limit`.
  std::string Line(milliseconds limit = milliseconds(10000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
      if (const auto nl = buffered_.find('\n'); nl != std::string::npos) {
        std::string line = buffered_.substr(0, nl);
        buffered_.erase(0, nl + 1);
        return line;
      }
      const auto left =
          std::chrono::duration_cast<milliseconds>(end - std::chrono::steady_clock::now());
      pollfd p{output_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
      char chunk[256];
      const ssize_t n = ::read(output_, chunk, sizeof chunk);
      if (n <= 0) return {};
      buffered_.append(chunk, static_cast<std::size_t>(n));
    }
  }
  // Sends `signal` and returns the exit code (-1 when it did not exit normally).
  int Stop(int signal) {
    ::kill(pid_, signal);
    const std::optional<int> status = support::WaitChild(pid_, milliseconds(30000));
    pid_ = -1;
    if (!status) ADD_FAILURE() << "no exit within 30 s of signal " << signal;
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  std::string buffered_;
};

class SimulateCommandTest : public ::testing::TestWithParam<int> {};

TEST_P(SimulateCommandTest, ServesThroughTheLinkAndCleansUpOnSignal) {
  const std::string link =
      (std::filesystem::temp_directory_path() / ("quorin-sim-link-" + std::to_string(::getpid())))
          .string();
  SimulateProcess process({"--link", link});
  const std::string device = process.Line();
  ASSERT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
  EXPECT_NE(process.Line().find(link), std::string::npos);
  EXPECT_EQ(std::filesystem::read_symlink(link), device);
  {
    test::ToolSide tool(link, 38400);
    tool.Write(Bytes{0x02});
    EXPECT_EQ(tool.Read(2, milliseconds(3000)), (Bytes{0x02, 0xFD}));
  }
  EXPECT_EQ(process.Stop(GetParam()), 0);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

INSTANTIATE_TEST_SUITE_P(Signals, SimulateCommandTest, ::testing::Values(SIGINT, SIGTERM));

TEST(SimulateCommandUsageTest, UnknownScenarioIsAUsageError) {
  SimulateProcess process({"--scenario", "bogus"});
  EXPECT_EQ(process.Line(), "");  // nothing on stdout; the parser explains on stderr
  EXPECT_EQ(process.Stop(0), 64);
}

TEST(SimulateCommandUsageTest, RefusesToReplaceAFileWithTheLink) {
  const std::string file =
      (std::filesystem::temp_directory_path() / ("quorin-sim-file-" + std::to_string(::getpid())))
          .string();
  { std::ofstream(file) << "keep me"; }
  SimulateProcess process({"--link", file});
  EXPECT_EQ(process.Line(), "");
  EXPECT_EQ(process.Stop(0), 64);
  EXPECT_TRUE(std::filesystem::is_regular_file(file));
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace quorin::sim
