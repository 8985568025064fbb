#pragma once
// quorin-iap-cli (or any program) as a child process with its stdout and stderr captured, for the
// end-to-end tests that run the command line as a user does.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quorin::e2e {

// A child process with its stdout and stderr captured.
class Child {
 public:
  struct Options {
    bool ignoreBrokenPipe = false;  // start with SIGPIPE ignored, as the tool sets it up itself
    // Run under this RLIMIT_NPROC, so that threads beyond it cannot start. The limit does not
    // bind root: run as root, the child becomes nobody first (and exits 126 when it cannot).
    std::optional<rlim_t> processLimit;
  };
  explicit Child(const std::vector<std::string>& args) : Child(args, Options{}) {}
  Child(const std::vector<std::string>& args, Options options) {
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      if (options.ignoreBrokenPipe) signal(SIGPIPE, SIG_IGN);
      if (options.processLimit) {
        const id_t nobody = 65534;
        if (geteuid() == 0 && (setgroups(0, nullptr) || setgid(nobody) || setuid(nobody))) _exit(126);
        const rlimit limit{*options.processLimit, *options.processLimit};
        if (setrlimit(RLIMIT_NPROC, &limit) != 0) _exit(126);
        // The leak check at exit needs a thread of its own, which the limit forbids.
        const char* asan = getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":detect_leaks=0").c_str(), 1);
      }
      dup2(out[1], STDOUT_FILENO);
      dup2(err[1], STDERR_FILENO);
      std::vector<char*> argv;
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~Child() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      Wait();
    }
    if (out_ >= 0) close(out_);
    close(err_);
  }

  // Reads until stdout (or stderr) holds `text` or `timeout` passes.
  bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout, bool inStderr = false) {
    const std::string& stream = inStderr ? stderr_ : stdout_;
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (stream.find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > until || !Pump(50)) return stream.find(text) != std::string::npos;
    }
    return true;
  }
  void Signal(int sig) { kill(pid_, sig); }
  // Reads both streams to their end and reaps the child; returns its exit code.
  int Wait() {
    while (Pump(1000)) {
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  // Like Wait, but gives up after `limit`: then kills the child and returns nothing.
  std::optional<int> WaitFor(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until && Pump(20)) {
    }
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= until) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        reaped_ = true;
        return std::nullopt;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  // Stops reading stdout: the child's next write to it meets a closed pipe.
  void CloseStdout() {
    if (!outDone_) close(out_);
    outDone_ = true;
    out_ = -1;
  }
  const std::string& Stdout() const { return stdout_; }
  const std::string& Stderr() const { return stderr_; }

 private:
  // One poll round; false once both streams are at their end.
  bool Pump(int timeoutMs) {
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (outDone_ && errDone_) return false;
    fds[0].fd = outDone_ ? -1 : out_;
    fds[1].fd = errDone_ ? -1 : err_;
    if (poll(fds, 2, timeoutMs) <= 0) return true;
    char buffer[4096];
    if (fds[0].revents != 0) {
      const ssize_t n = read(out_, buffer, sizeof buffer);
      if (n > 0) stdout_.append(buffer, static_cast<std::size_t>(n)); else outDone_ = true;
    }
    if (fds[1].revents != 0) {
      const ssize_t n = read(err_, buffer, sizeof buffer);
      if (n > 0) stderr_.append(buffer, static_cast<std::size_t>(n)); else errDone_ = true;
    }
    return !(outDone_ && errDone_);
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  bool outDone_ = false;
  bool errDone_ = false;
  bool reaped_ = false;
  std::string stdout_;
  std::string stderr_;
};

}  // namespace quorin::e2e
