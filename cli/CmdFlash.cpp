// quorin-iap-cli flash PACK [--port NAME] [--settings FILE] [--force] [--trace FILE]
// Runs exactly one programming job through the same TComm, IapProgrammer and job code the window
// uses, with this process's main thread running the event loop as the UI thread.
#include <CLI/CLI.hpp>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "cli/ByteTraceFile.h"
#include "cli/Commands.h"
#include "cli/ConsoleView.h"
#include "comm/EventLoop.h"
#include "comm/TComm.h"
#include "iap/TIAPThread.h"
#include "pack/UpdatePack.h"
#include "platform/InterruptHook.h"
#include "platform/Process.h"
#include "settings/UartSettings.h"

namespace quorin {
namespace {

struct FlashOptions {
  std::string PackPath;
  std::string Port;          // empty: "COM" + the settings file's port
  std::string SettingsFile;  // empty: SettingsFilePath()
  bool Force = false;
  std::string TraceFile;     // empty: no trace
};

// What the job's outcome means for the exit code.
int ExitCodeFor(JobOutcome outcome) {
  switch (outcome) {
    case JobOutcome::Success: return kExitOk;
    case JobOutcome::PortError: return kExitPortError;
    case JobOutcome::NotIdentified: return kExitNotIdentified;
    case JobOutcome::Unsuccessful: return kExitUnsuccessful;
    case JobOutcome::Failed: return kExitProgramFail;
    case JobOutcome::Cancelled: return kExitInterrupted;
  }
  return kExitProgramFail;
}

// Says why the port could not be opened and what to do about it.
void ExplainOpenFailure(const JobReport& report) {
  const std::error_code reason = report.OpenErrorReason;
  std::fprintf(stderr, "quorin-iap-cli: cannot open the serial port %s: %s\n",
               report.FailedPortName.c_str(),
               reason ? reason.message().c_str() : report.OpenErrorText.c_str());
  const int code = reason.category() == std::generic_category() ||
                           reason.category() == std::system_category()
                       ? reason.value()
                       : 0;
  switch (code) {
    case EACCES:
    case EPERM:
      std::fputs(
          "  You may not use this port. Add your user to the dialout group\n"
          "  (sudo usermod -aG dialout $USER), log out and in again, then retry.\n",
          stderr);
      break;
    case EBUSY:
    case EWOULDBLOCK:
      std::fputs(
          "  Another program holds the port (a terminal program, another flashing tool,\n"
          "  ModemManager). Close it, then retry.\n",
          stderr);
      break;
    case ENOENT:
    case ENODEV:
    case ENXIO:
      std::fputs(
          "  There is no such device. Connect the cable, list the serial ports with\n"
          "  `quorin-iap-cli ports` and pass one with --port NAME.\n",
          stderr);
      break;
    default:
      std::fputs(
          "  Check the cable and the port name; `quorin-iap-cli ports` lists the serial ports.\n",
          stderr);
      break;
  }
}

// Turns Ctrl-C and termination requests into a cancel of the running job, taken on the hook's
// own thread.
class InterruptWatcher {
 public:
  explicit InterruptWatcher(IapProgrammer& programmer)
      : programmer_(programmer), hook_([this](platform::InterruptKind) {
          interrupted_.store(true);
          programmer_.Cancel();
        }) {}
  InterruptWatcher(const InterruptWatcher&) = delete;
  InterruptWatcher& operator=(const InterruptWatcher&) = delete;

  bool Interrupted() const { return interrupted_.load(); }

 private:
  IapProgrammer& programmer_;
  std::atomic<bool> interrupted_{false};
  platform::InterruptHook hook_;  // last: stops before the members it uses go
};

// Loads the pack; on failure says why and returns the exit code.
std::optional<int> LoadPack(PackRecords& records, const FlashOptions& options) {
  try {
    if (!LoadUpdatePack(records, options.PackPath)) {
      std::fprintf(stderr,
                   "Pack file was briken\n"
                   "  %s: the header checksum or the firmware sum does not match.\n"
                   "  Get the pack again; nothing was sent.\n",
                   options.PackPath.c_str());
      return kExitBrokenPack;
    }
  } catch (const EInOutError& error) {
    std::fprintf(stderr, "%s.\n  Cannot read the pack %s; check the name and the file.\n",
                 error.what(), options.PackPath.c_str());
    return kExitUnreadablePack;
  }
  if (records.Header.TargetCode() != kOwnTargetCode) {
    if (!options.Force) {
      std::fprintf(stderr,
                   "固件包错误\n"
                   "  %s is made for another target (code %u, this tool's is %u); nothing was "
                   "sent.\n  Pass --force to send it anyway.\n",
                   options.PackPath.c_str(), records.Header.TargetCode(), kOwnTargetCode);
      return kExitForeignTarget;
    }
    std::fprintf(stderr, "固件包错误 (target code %u): sent anyway because of --force\n",
                 records.Header.TargetCode());
  }
  return std::nullopt;
}

JobSettings SettingsFor(const FlashOptions& options) {
  const std::string settingsPath =
      options.SettingsFile.empty() ? SettingsFilePath() : options.SettingsFile;
  JobSettings settings = JobSettingsFromFile(settingsPath);
  if (!options.Port.empty()) {
    settings.PortName = [port = options.Port] { return port; };
  }
  return settings;
}

int RunFlash(const FlashOptions& options) {
  auto records = std::make_unique<PackRecords>();
  if (const auto failed = LoadPack(*records, options)) return *failed;

  std::unique_ptr<ByteTraceFile> trace;
  if (!options.TraceFile.empty()) {
    try {
      trace = std::make_unique<ByteTraceFile>(options.TraceFile);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "quorin-iap-cli: %s\n", error.what());
      return kExitUsage;
    }
  }

  EventLoop loop;
  TComm avs1(loop);
  ApplyAvs1StoredValues(avs1);
  JobState state;
  ConsoleView view(stdout, platform::IsTerminal(stderr) ? stderr : nullptr);
  JobOutcome outcome = JobOutcome::Cancelled;
  {
    IapProgrammer programmer(loop, avs1, state, view, SettingsFor(options));
    if (trace) programmer.SetTrace(trace->Hook());
    programmer.OnJobFinished = [&](JobOutcome finished) {
      outcome = finished;
      loop.Quit();
    };
    InterruptWatcher interrupts(programmer);
    try {
      programmer.Btn_SendToControllerClick(*records);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "%s.\n", error.what());
      return kExitInternalError;
    }
    if (interrupts.Interrupted()) programmer.Cancel();
    loop.Run();
    if (outcome == JobOutcome::PortError ||
        (outcome == JobOutcome::NotIdentified && !programmer.LastJobReport().FailedPortName.empty())) {
      ExplainOpenFailure(programmer.LastJobReport());
    }
  }
  if (outcome == JobOutcome::Cancelled) {
    std::fputs("quorin-iap-cli: interrupted; nothing more was sent and the port is closed.\n",
               stderr);
  }
  return ExitCodeFor(outcome);
}

}  // namespace

void AddFlashCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<FlashOptions>();
  CLI::App* flash = app.add_subcommand(
      "flash", "Write a pack's firmware into the controller (one programming job)");
  flash->add_option("PACK", options->PackPath, "The update pack (.Pack)")->required();
  flash->add_option("--port", options->Port,
                    "Serial port: a device path or COMn (default: the settings file's port)");
  flash->add_option("--settings", options->SettingsFile,
                    "Settings file (default: Cyclomer.ini beside the executable)");
  flash->add_flag("--force", options->Force, "Send a pack made for another target too");
  flash->add_option("--trace", options->TraceFile,
                    "Write a timestamped hex dump of every byte sent and received to this file");
  flash->callback([options, &exitCode] { exitCode = RunFlash(*options); });
}

}  // namespace quorin
