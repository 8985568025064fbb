#pragma once
// The desktop program's command line:
//   quorin-iap [PACK]                       open, reading PACK when given
//   quorin-iap --simulate[=SCENARIO] [PACK] the same against the simulated controller
//   quorin-iap --simulate SCENARIO [PACK]   (a following word not ending in .Pack is the scenario)
//   quorin-iap --measure-startup            quit once the window is first painted (bench/app)
#include <QString>
#include <QStringList>

namespace quorin {

struct CommandLine {
  QString PackPath;  // empty: no pack to read at start
  bool Simulate = false;
  QString Scenario;  // empty: the simulator's default
  bool MeasureStartup = false;
  bool ShowHelp = false;
  bool ShowVersion = false;
  QString Error;  // non-empty: what is wrong with the arguments
};

// Parses the arguments after the program name. Pure; any thread.
CommandLine ParseCommandLine(const QStringList& arguments);

// The usage text printed by --help and after an error.
QString UsageText();

}  // namespace quorin
