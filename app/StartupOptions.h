#pragma once
// What start-up makes of the presenter's options: where jobs open their port, how port numbers
// are shown and the caption. Toolkit-free; UI thread.
#include <string>

#include "app/MainWindowPresenter.h"
#include "sim/InProcessController.h"

namespace quorin {

// Options for `settingsPath`: jobs open "COM" + the stored port (read afresh at every open) with
// the stored baud index; the port dialog learns what each port number stands for on this machine
// (its device, the adapter's name) and which ports the system lists above com9; the connection
// check looks at this machine's adapters and the stored port.
// ApplicationTitle is left empty for the caller to fill from the executable's path.
PresenterOptions MakePresenterOptions(const std::string& settingsPath);

// The same, but every job opens the simulated controller, the caption names its scenario and the
// connection check says it does not apply.
// Inline so that a program without the simulator does not have to link it.
inline PresenterOptions SimulatedPresenterOptions(const std::string& settingsPath,
                                                  const sim::InProcessController& simulation) {
  PresenterOptions options = MakePresenterOptions(settingsPath);
  options.Job = JobTarget::Simulated(simulation.Line()).BaudIndexFrom(settingsPath);
  options.Doctor = nullptr;  // the simulated line has no adapter, driver or wiring to check
  options.CaptionSuffix =
      "  [simulated controller: " +
      std::string(sim::ScenarioName(simulation.Controller().Options().Scenario)) + "]";
  return options;
}

}  // namespace quorin
