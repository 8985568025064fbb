#pragma once
// `quorin-iap --simulate`: the simulated controller, in this process, on an in-memory loopback
// line that the job opens instead of a serial port (on every platform).
#include <memory>
#include <string>

#include "sim/InProcessController.h"

namespace quorin {

class Simulation {
 public:
  // Starts the simulated controller playing `scenario` (empty: its default). GUI thread.
  // Raises std::runtime_error saying why it could not start (unknown scenario, no thread).
  explicit Simulation(const std::string& scenario);
  // Stops the simulated controller and cuts the line: every later open fails with ENOENT.
  ~Simulation() = default;
  Simulation(const Simulation&) = delete;
  Simulation& operator=(const Simulation&) = delete;

  // The line a job opens to reach the controller (JobTarget::Simulated).
  const std::shared_ptr<platform::LoopbackLine>& Line() const { return controller_.Line(); }
  // The scenario being played.
  std::string Scenario() const;

 private:
  sim::InProcessController controller_;
};

}  // namespace quorin
