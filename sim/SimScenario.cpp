#include <array>
#include <stdexcept>
#include <string>
#include <utility>

#include "sim/SimOptions.h"

namespace quorin::sim {
namespace {

constexpr std::array<std::pair<SimScenario, std::string_view>, 13> kNames = {{
    {SimScenario::Normal, "normal"},
    {SimScenario::Silent, "silent"},
    {SimScenario::ApplicationFirst, "application-first"},
    {SimScenario::NoHeaderAck, "no-header-ack"},
    {SimScenario::EarlyAck, "early-ack"},
    {SimScenario::AckLost, "ack-lost"},
    {SimScenario::AckDelay, "ack-delay"},
    {SimScenario::NoVerdict, "no-verdict"},
    {SimScenario::SplitIdentification, "split-identification"},
    {SimScenario::BurstVerdict, "burst-verdict"},
    {SimScenario::Noise, "noise"},
    {SimScenario::CablePulled, "cable-pulled"},
    {SimScenario::AckAndVerdictTogether, "ack-and-verdict-together"},
}};

}  // namespace

std::string_view ScenarioName(SimScenario scenario) {
  for (const auto& [value, name] : kNames) {
    if (value == scenario) return name;
  }
  return "unknown";
}

std::optional<SimScenario> ParseScenarioName(std::string_view name) {
  for (const auto& [value, known] : kNames) {
    if (known == name) return value;
  }
  return std::nullopt;
}

std::vector<std::string_view> ScenarioNames() {
  std::vector<std::string_view> names;
  for (const auto& entry : kNames) names.push_back(entry.second);
  return names;
}

SimOptions LongRunningOptions(std::string_view scenario) {
  SimOptions options;
  if (!scenario.empty()) {
    const auto parsed = ParseScenarioName(scenario);
    if (!parsed) {
      std::string names;
      for (const auto& entry : kNames)
        names += (names.empty() ? "" : ", ") + std::string(entry.second);
      throw std::runtime_error("there is no scenario \"" + std::string(scenario) +
                               "\"; choose one of " + names);
    }
    options.Scenario = *parsed;
  }
  options.KeepByteLog = false;
  options.LastJobOnly = true;
  return options;
}

}  // namespace quorin::sim
