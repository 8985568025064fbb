#pragma once
// `quorin-iap --simulate`: the simulated controller, in this process, on an in-memory loopback
// line that the job opens instead of a serial port (on every platform).
#include <memory>
#include <string>

#include "settings/JobSettings.h"

namespace quorin {

class Simulation {
 public:
  // Starts the simulated controller playing `scenario` (empty: its default). GUI thread.
  // Raises std::runtime_error saying why it could not start (unknown scenario, no thread).
  explicit Simulation(const std::string& scenario);
  // Stops the simulated controller and closes its side of the line.
  ~Simulation();
  Simulation(const Simulation&) = delete;
  Simulation& operator=(const Simulation&) = delete;

  // Points a job at the simulated controller: every open reaches it instead of the stored port
  // (sets PortName to PortPath() and OpenDevice to the loopback line). The baud index stays
  // whatever `job` had. The settings must not outlive the simulation: the line is then cut and
  // every open fails with ENOENT.
  void ConfigureJob(JobSettings& job) const;
  // The port name a job shows for the simulated controller ("simulated").
  std::string PortPath() const;
  // The scenario being played.
  std::string Scenario() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quorin
