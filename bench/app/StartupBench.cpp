// Start-up of the desktop program: how long `quorin-iap` takes from being started to its first
// painted window, and its peak resident memory. Each run starts the real executable on the
// offscreen platform with --measure-startup, which quits right after the first paint.
//   quorin_app_startup_bench [RUNS] [PROGRAM]
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Run {
  double spawnToExitMs = 0;  // seen from outside: exec, libraries, window, first paint, exit
  double mainToPaintMs = 0;  // reported by the program: main() to the first paint
  long peakRssKiB = 0;       // the child's peak resident set (wait4)
};

bool RunOnce(const std::string& program, Run& run) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);

  std::vector<std::string> envStrings{"QT_QPA_PLATFORM=offscreen"};
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0) envStrings.emplace_back(*e);
  }
  std::vector<char*> env;
  for (auto& s : envStrings) env.push_back(s.data());
  env.push_back(nullptr);
  std::string arg0 = program;
  std::string arg1 = "--measure-startup";
  char* argv[] = {arg0.data(), arg1.data(), nullptr};

  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, env.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (spawned != 0) {
    close(pipeFds[0]);
    std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(spawned));
    return false;
  }
  std::string output;
  char buffer[512];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, n);
  close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.spawnToExitMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  run.peakRssKiB = usage.ru_maxrss;
  const auto at = output.find("first-paint-ms ");
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || at == std::string::npos) {
    std::fprintf(stderr, "%s ended without reporting its first paint:\n%s\n", program.c_str(),
                 output.c_str());
    return false;
  }
  run.mainToPaintMs = std::strtod(output.c_str() + at + 15, nullptr);
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  const std::string program = argc > 2 ? argv[2] : QUORIN_IAP_PROGRAM;
  std::vector<double> toPaint;
  std::vector<double> toExit;
  long peak = 0;
  Run warmUp;
  if (!RunOnce(program, warmUp)) return 1;  // fills the page cache; not counted
  for (int i = 0; i < runs; ++i) {
    Run run;
    if (!RunOnce(program, run)) return 1;
    toPaint.push_back(run.mainToPaintMs);
    toExit.push_back(run.spawnToExitMs);
    peak = std::max(peak, run.peakRssKiB);
  }
  std::printf("quorin-iap start-up over %d runs (offscreen platform)\n", runs);
  std::printf("  main() to first painted window: median %.1f ms, min %.1f ms\n", Median(toPaint),
              *std::min_element(toPaint.begin(), toPaint.end()));
  std::printf("  process start to exit after first paint: median %.1f ms, min %.1f ms\n",
              Median(toExit), *std::min_element(toExit.begin(), toExit.end()));
  std::printf("  peak resident memory (VmHWM): %ld KiB (%.1f MiB)\n", peak, peak / 1024.0);
  return 0;
}
