#pragma once
// What the command line makes of the main window: where jobs open their port and the caption.
#include <string>

#include "app/CommandLine.h"
#include "app/Simulation.h"
#include "app/p_UpdateDispController.h"

namespace quorin {

// The window's options for `settingsPath`. With a simulation, every job opens the simulated
// controller's device and the caption names the scenario; otherwise jobs open "COM" + the stored
// port. Port numbers are shown with the device they resolve to on this machine. GUI thread.
WindowOptions MakeWindowOptions(const std::string& settingsPath, const Simulation* simulation);

}  // namespace quorin
