// quorin-iap-cli simulate on a system without pseudo-terminals: the command is there, so that a
// user who reads about it gets told why it does nothing, and nothing else.
#include <cstdio>

#include "cli/Commands.h"

namespace quorin {

void AddSimulateCommand(CLI::App& app, int& exitCode) {
  CLI::App* command = app.add_subcommand(
      "simulate", "Play the motor controller (not available on this system: it needs a "
                  "pseudo-terminal; run it on Linux, or use flash --simulate)");
  command->allow_extras();
  command->callback([&exitCode] {
    std::fputs(
        "quorin-iap-cli simulate: not available on this system; the simulated controller needs "
        "a pseudo-terminal. Run it on Linux and connect the two machines with a serial cable, or\n"
        "try a job against the controller inside this program: flash PACK --simulate[=SCENARIO].\n",
        stderr);
    exitCode = kExitUsage;
  });
}

}  // namespace quorin
