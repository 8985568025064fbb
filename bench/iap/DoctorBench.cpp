// How long the connection doctor takes: its device checks alone (this machine's sysfs, /proc and
// udev rules, and a port that is not there), and with the line checks against the simulated
// controller on a pseudo-terminal (a loader that answers at once, and a silent line, which takes
// longest).
#include <benchmark/benchmark.h>

#include "iap/Doctor.h"
#include "iap/DoctorLine.h"
#include "sim/SimController.h"

namespace quorin {
namespace {

DoctorResult RunDoctor(const std::string& port) {
  return Diagnose(SystemDoctorFacts(JobTarget::FixedPort(port), "--port", LineCheck::Controller),
                  OutsideTextUse::TerminalSafe);
}

void DoctorWithoutLineChecks(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(RunDoctor("/dev/quorin-not-here"));
}
BENCHMARK(DoctorWithoutLineChecks)->Unit(benchmark::kMillisecond);

void DoctorWithLineChecks(benchmark::State& state) {
  sim::SimOptions options;
  options.Scenario = state.range(0) == 0 ? sim::SimScenario::Normal : sim::SimScenario::Silent;
  sim::SimController controller(options);
  controller.Start();
  for (auto _ : state) benchmark::DoNotOptimize(RunDoctor(controller.SlavePath()));
  state.SetLabel(state.range(0) == 0 ? "loader answers" : "silent line");
}
BENCHMARK(DoctorWithLineChecks)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace quorin

BENCHMARK_MAIN();
