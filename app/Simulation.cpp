#include "app/Simulation.h"

#include <stdexcept>

#include "sim/SimOptions.h"

namespace quorin {
namespace {

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

Simulation::Simulation(const std::string& scenario) : controller_(OptionsFor(scenario)) {}

std::string Simulation::Scenario() const {
  return std::string(sim::ScenarioName(controller_.Controller().Options().Scenario));
}

}  // namespace quorin
