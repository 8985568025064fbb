#pragma once
// `quorin-iap --simulate`: the simulated controller, in this process, on a pseudo-terminal that
// the job opens instead of a serial port.
#include <memory>
#include <string>

#include "settings/JobSettings.h"

namespace quorin {

class Simulation {
 public:
  // Starts the simulated controller playing `scenario` (empty: its default). GUI thread.
  // Raises std::runtime_error saying why it could not start (unknown scenario, no pty).
  explicit Simulation(const std::string& scenario);
  // Stops the simulated controller and closes its side of the line.
  ~Simulation();
  Simulation(const Simulation&) = delete;
  Simulation& operator=(const Simulation&) = delete;

  // Points a job at the simulated controller: every open reaches it instead of the stored port.
  // The baud index stays whatever `job` had.
  void ConfigureJob(JobSettings& job) const;
  // The device path a job opens to reach the simulated controller.
  std::string PortPath() const;
  // The scenario being played.
  std::string Scenario() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quorin
