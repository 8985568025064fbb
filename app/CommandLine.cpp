#include "app/CommandLine.h"

namespace quorin {
namespace {

bool LooksLikePack(const QString& argument) {
  return argument.endsWith(".Pack", Qt::CaseInsensitive);
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
  CommandLine line;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      line.ShowHelp = true;
    } else if (argument == "--version") {
      line.ShowVersion = true;
    } else if (argument == "--measure-startup") {
      line.MeasureStartup = true;
    } else if (argument == "--simulate") {
      line.Simulate = true;
      if (i + 1 < arguments.size() && !arguments[i + 1].startsWith('-') &&
          !LooksLikePack(arguments[i + 1])) {
        line.Scenario = arguments[++i];
      }
    } else if (argument.startsWith("--simulate=")) {
      line.Simulate = true;
      line.Scenario = argument.mid(QString("--simulate=").size());
      if (line.Scenario.isEmpty()) line.Error = "--simulate= needs a scenario name";
    } else if (argument.startsWith('-') && argument != "-") {
      line.Error = QString("unknown option %1").arg(argument);
    } else if (line.PackPath.isEmpty()) {
      line.PackPath = argument;
    } else {
      line.Error =
          QString("only one pack can be opened, got %1 and %2").arg(line.PackPath, argument);
    }
    if (!line.Error.isEmpty()) break;
  }
  return line;
}

QString UsageText() {
  return "usage: quorin-iap [PACK]\n"
         "       quorin-iap --simulate [SCENARIO] [PACK]\n"
         "\n"
         "Opens the controller update window; with PACK, that pack is read at once.\n"
         "  --simulate [SCENARIO]  program a simulated controller instead of a serial port\n"
         "  --measure-startup      quit as soon as the window is first painted, printing the\n"
         "                         time it took, the peak memory and the window's caption\n"
         "  --version              print the version\n"
         "  --help                 print this text\n";
}

}  // namespace quorin
