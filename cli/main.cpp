// quorin-iap-cli: the command-line twin of the desktop window.
#include <exception>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/NameArgs.h"
#include "platform/CommandLine.h"
#include "platform/InterruptHook.h"
#include "platform/Process.h"

int main(int argc, char** argv) {
  // Before anything opens a file: a closed standard stream must not be taken by the pack, the
  // trace file or the serial port.
  quorin::platform::EnsureStandardDescriptorsOpen();
  // A closed pipe on stdout ends a write with an error, not the process in the middle of a job.
  quorin::platform::IgnoreBrokenPipe();
  // Ctrl-C outside a job (info, pack create) ends with 130 on every platform.
  quorin::platform::ExitWith130OnInterrupt();
  // Texts (the pack's messages, file names) are UTF-8 throughout, on a console as in a pipe.
  quorin::platform::UseUtf8StandardStreams();
  // File names outside the system's narrow code page arrive intact only through this.
  std::vector<std::string> arguments =
      quorin::WithEmptyValuesKept(quorin::platform::CommandLineArguments(argc, argv));
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  CLI::App app{"Update packs and firmware updates for the mid-drive motor controller.",
               "quorin-iap-cli"};
  app.set_version_flag("--version", std::string("quorin-iap-cli ") + QUORIN_VERSION);
  app.require_subcommand(1);
  // Options begin with "-" or "--" on every platform: "/Users/me/a.Pack" is an absolute path, not
  // a Windows-style option. Subcommands take this from the app when they are added.
  app.allow_windows_style_options(false);
  quorin::ShowParseErrorsCleaned(app);

  int exitCode = quorin::kExitOk;
  quorin::AddInfoCommand(app, exitCode);
  quorin::AddPackCommand(app, exitCode);
  quorin::AddFlashCommand(app, exitCode);
  quorin::AddPortsCommand(app, exitCode);
  quorin::AddDoctorCommand(app, exitCode);
  quorin::AddSimulateCommand(app, exitCode);

  try {
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& error) {
    // --help and --version end here too, with code 0.
    if (app.exit(error) == 0) return quorin::kExitOk;
    quorin::ReportUsageError(app);
    return quorin::kExitUsage;
  } catch (const std::exception& error) {
    return quorin::Fail("", quorin::kExitInternalError, error.what());
  }
  return exitCode;
}
