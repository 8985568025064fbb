// A full-size job (131024-byte firmware) against the simulated controller, on a pseudo-terminal
// (/0) and on the in-memory loopback line (/1), measured against the protocol's own floor, and 200
// consecutive jobs in one process checked for leaks.
//   iap_bench --benchmark_filter=FullSizeJob
//   iap_bench --benchmark_filter=ConsecutiveJobs
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <filesystem>
#include <stdexcept>

#include "iap/Frames.h"
#include "tests/support/JobHarness.h"

namespace quorin::e2e {
namespace {

std::size_t CountEntries(const char* dir) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

// What the protocol itself takes for a successful first-connect job of `dataLength` bytes: 200 ms
// after the open, 10 ms + 500 ms around the header, 3 x BlockPacing us after every block, one read
// interval (100 ms: the reader delivers an answer once the line has been quiet that long) for every
// acknowledged 1024-byte group and for the verdict, and the 0.6 s clean-up.
double ProtocolFloorSeconds(std::uint32_t dataLength, std::int32_t blockPacing) {
  const double blocks = DataBlockCount(dataLength);
  const double groups = dataLength / kAckGroupBytes;
  return 0.2 + 0.51 + blocks * 3 * blockPacing * 1e-6 + (groups + 1) * 0.1 + 0.6;
}

void FullSizeJob(benchmark::State& state) {
  sim::SimOptions options;
  options.KeepByteLog = false;
  JobHarness h(options, {}, state.range(0) == 0 ? HarnessLine::Pty : HarnessLine::Loopback);
  const auto firmware = MakeFirmware(kMaxDataLength);
  const auto pack = MakePack(firmware);
  const double floor = ProtocolFloorSeconds(kMaxDataLength, 300);
  const double spin = DataBlockCount(kMaxDataLength) * 900e-6;
  for (auto _ : state) {
    const JobRun run = h.Run(*pack, std::chrono::minutes(2));
    if (run.outcome != JobOutcome::Success) state.SkipWithError("the job did not succeed");
    const double wall = run.Duration().count();
    const double cpu = std::chrono::duration<double>(run.report.WorkerCpuTime).count();
    state.SetIterationTime(wall);
    state.counters["wall_s"] = wall;
    state.counters["floor_s"] = floor;
    state.counters["wall_over_floor"] = wall / floor;
    state.counters["worker_cpu_s"] = cpu;
    state.counters["spin_s"] = spin;
    state.counters["cpu_over_spin"] = cpu / spin;
  }
}
BENCHMARK(FullSizeJob)
    ->ArgName("loopback")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

void ConsecutiveJobs(benchmark::State& state) {
  const int jobs = static_cast<int>(state.range(0));
  sim::SimOptions options;
  options.KeepByteLog = false;
  JobHarness h(options);
  const auto pack = MakePack(MakeFirmware(64));
  // One job first, so that whatever is made once per process (locale, thread caches) is made.
  h.Run(*pack);
  h.View().Forget();
  h.Sim().ClearReport();
  const std::size_t fdsBefore = CountEntries("/proc/self/fd");
  const std::size_t threadsBefore = CountEntries("/proc/self/task");
  const std::size_t heapBefore = mallinfo2().uordblks;
  int failed = 0;
  for (auto _ : state) {
    for (int i = 0; i < jobs; ++i) {
      h.View().Forget();
      const JobRun run = h.Run(*pack);
      failed +=
          run.outcome != JobOutcome::Success || run.jobBusyAtFinish != 0 || run.portOpenAtFinish;
    }
  }
  h.View().Forget();
  h.Sim().ClearReport();
  state.counters["jobs"] = jobs;
  state.counters["jobs_failed"] = failed;
  state.counters["fd_delta"] = static_cast<double>(CountEntries("/proc/self/fd")) - fdsBefore;
  state.counters["thread_delta"] =
      static_cast<double>(CountEntries("/proc/self/task")) - threadsBefore;
  state.counters["heap_delta_bytes"] =
      static_cast<double>(mallinfo2().uordblks) - static_cast<double>(heapBefore);
}
BENCHMARK(ConsecutiveJobs)->Arg(200)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace quorin::e2e

BENCHMARK_MAIN();
