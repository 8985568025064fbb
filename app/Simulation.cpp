#include "app/Simulation.h"

#include <stdexcept>

#include "sim/SimController.h"
#include "sim/SimOptions.h"

namespace quorin {
namespace {

sim::SimOptions OptionsFor(const std::string& scenario) {
  sim::SimOptions options;
  if (scenario.empty()) return options;
  const auto parsed = sim::ParseScenarioName(scenario);
  if (!parsed) {
    std::string names;
    for (std::string_view name : sim::ScenarioNames()) {
      names += names.empty() ? "" : ", ";
      names += name;
    }
    throw std::runtime_error("there is no scenario \"" + scenario + "\"; choose one of " + names);
  }
  options.scenario = *parsed;
  return options;
}

}  // namespace

struct Simulation::Impl {
  explicit Impl(const std::string& scenario) : controller(OptionsFor(scenario)) {}
  sim::SimController controller;
};

Simulation::Simulation(const std::string& scenario) : impl_(std::make_unique<Impl>(scenario)) {
  impl_->controller.Start();
}

Simulation::~Simulation() = default;

void Simulation::ConfigureJob(JobSettings& job) const {
  job.PortName = [port = PortPath()] { return port; };
}

std::string Simulation::PortPath() const {
  return impl_->controller.SlavePath();
}

std::string Simulation::Scenario() const {
  return std::string(sim::ScenarioName(impl_->controller.Options().scenario));
}

}  // namespace quorin
