// The process-wide services: the standard descriptors, terminals, the interrupt hook and broken
// pipes. Whatever changes the process's state runs in a child process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/InterruptHook.h"
#include "platform/Process.h"
#include "platform/PtyPair.h"
#include "tests/settings/TempFolder.h"

namespace quorin::platform {
namespace {

// Runs `body` in a child process; its exit status, or 128 + the signal that ended it.
int RunInChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class StandardDescriptorsTest : public ::testing::TestWithParam<std::vector<int>> {};

// A program started with standard streams closed (`flash ... >&-`) then opens a file: it must
// not land on a standard descriptor, or the program's output would go into it.
TEST_P(StandardDescriptorsTest, AFileOpenedAfterwardsDoesNotTakeAClosedStandardDescriptor) {
  test::TempFolder folder;
  const std::string path = folder.File("port");
  const std::vector<int> closed = GetParam();
  const int status = RunInChild([&] {
    for (int fd : closed) ::close(fd);
    if (!EnsureStandardDescriptorsOpen()) return 10;
    for (int fd = 0; fd <= 2; ++fd) {
      if (::fcntl(fd, F_GETFD) == -1) return 11 + fd;
    }
    const int opened = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (opened >= 0 && opened <= 2) return 20 + opened;
    // What goes to standard output goes nowhere, not into the file.
    if (::write(1, "x", 1) != 1 || ::write(opened, "", 0) != 0) return 30;
    return 0;
  });
  EXPECT_EQ(status, 0);
  std::error_code ignored;
  EXPECT_EQ(std::filesystem::file_size(path, ignored), 0u);
}

INSTANTIATE_TEST_SUITE_P(Closed, StandardDescriptorsTest,
                         ::testing::Values(std::vector<int>{1}, std::vector<int>{2},
                                           std::vector<int>{0, 1, 2}, std::vector<int>{}));

TEST(ProcessTest, IsTerminalTellsATerminalFromAFile) {
  PtyPair pty;
  std::FILE* terminal = std::fopen(pty.SlavePath().c_str(), "r+");
  ASSERT_NE(terminal, nullptr);
  EXPECT_TRUE(IsTerminal(terminal));
  std::fclose(terminal);
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(IsTerminal(file));
  std::fclose(file);
  EXPECT_FALSE(IsTerminal(nullptr));
}

TEST(ProcessTest, AWriteToABrokenPipeFailsInsteadOfEndingTheProgram) {
  const int status = RunInChild([] {
    IgnoreBrokenPipe();
    int ends[2];
    if (::pipe(ends) != 0) return 10;
    ::close(ends[0]);
    return ::write(ends[1], "x", 1) == -1 && errno == EPIPE ? 0 : 11;
  });
  EXPECT_EQ(status, 0);
}

TEST(InterruptHookTest, DeliversEachRequestOnItsOwnThreadAndRestoresTheMaskAfterwards) {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<InterruptKind> kinds;
  std::vector<std::thread::id> threads;
  {
    InterruptHook hook([&](InterruptKind kind) {
      {
        const std::lock_guard<std::mutex> lock(mutex);
        kinds.push_back(kind);
        threads.push_back(std::this_thread::get_id());
      }
      changed.notify_all();
    });
    std::size_t sent = 0;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
      ASSERT_EQ(::kill(::getpid(), signal), 0);
      ++sent;
      std::unique_lock<std::mutex> lock(mutex);
      ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10),
                                   [&] { return kinds.size() == sent; }))
          << "request " << sent << " not delivered";
    }
  }
  EXPECT_EQ(kinds, (std::vector<InterruptKind>{InterruptKind::Interrupt, InterruptKind::Terminate,
                                                InterruptKind::Terminate}));
  for (const std::thread::id id : threads) EXPECT_NE(id, std::this_thread::get_id());
  sigset_t blocked;
  ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, nullptr, &blocked), 0);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) EXPECT_FALSE(sigismember(&blocked, signal));
}

}  // namespace
}  // namespace quorin::platform
