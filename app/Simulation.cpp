#include "app/Simulation.h"

#include <memory>
#include <stdexcept>

#include "comm/LoopbackDevice.h"
#include "platform/LoopbackLine.h"
#include "sim/ControllerLine.h"
#include "sim/SimController.h"
#include "sim/SimOptions.h"

namespace quorin {
namespace {

constexpr const char* kPortName = "simulated";

// The window's controller serves job after job as long as the window is open: it keeps the last
// job only.
sim::SimOptions OptionsFor(const std::string& scenario) {
  if (scenario.empty()) return sim::LongRunningOptions(sim::SimOptions{}.Scenario);
  const auto parsed = sim::ParseScenarioName(scenario);
  if (!parsed) {
    std::string names;
    for (std::string_view name : sim::ScenarioNames()) {
      names += names.empty() ? "" : ", ";
      names += name;
    }
    throw std::runtime_error("there is no scenario \"" + scenario + "\"; choose one of " + names);
  }
  return sim::LongRunningOptions(*parsed);
}

}  // namespace

struct Simulation::Impl {
  explicit Impl(const std::string& scenario)
      : controller(OptionsFor(scenario), sim::MakeLoopbackLine(line)) {}
  const std::shared_ptr<platform::LoopbackLine> line = std::make_shared<platform::LoopbackLine>();
  sim::SimController controller;  // after `line`
};

Simulation::Simulation(const std::string& scenario) : impl_(std::make_unique<Impl>(scenario)) {
  impl_->controller.Start();
}

Simulation::~Simulation() = default;

void Simulation::ConfigureJob(JobSettings& job) const {
  job.PortName = [port = PortPath()] { return port; };
  job.OpenDevice = LoopbackOpener(impl_->line);
}

std::string Simulation::PortPath() const {
  return kPortName;
}

std::string Simulation::Scenario() const {
  return std::string(sim::ScenarioName(impl_->controller.Options().Scenario));
}

}  // namespace quorin
