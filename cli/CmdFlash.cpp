// quorin-iap-cli flash PACK [--port NAME] [--settings FILE] [--force] [--trace FILE]
// Runs exactly one programming job through the same JobSession the window uses, with this
// process's main thread running the event loop as the UI thread.
#include <CLI/CLI.hpp>

#include <atomic>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "cli/ByteTraceFile.h"
#include "cli/Commands.h"
#include "cli/ConsoleView.h"
#include "comm/EventLoop.h"
#include "iap/JobSession.h"
#include "iap/Messages.h"
#include "iap/OpenAdvice.h"
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

// Turns Ctrl-C and termination requests into a cancel of the running job, taken on the hook's
// own thread.
class InterruptWatcher {
 public:
  explicit InterruptWatcher(JobSession& session)
      : session_(session), hook_([this](platform::InterruptKind) {
          interrupted_.store(true);
          session_.Cancel();
        }) {}
  InterruptWatcher(const InterruptWatcher&) = delete;
  InterruptWatcher& operator=(const InterruptWatcher&) = delete;

  bool Interrupted() const { return interrupted_.load(); }

 private:
  JobSession& session_;
  std::atomic<bool> interrupted_{false};
  platform::InterruptHook hook_;  // last: stops before the members it uses go
};

// Reads the pack into the session and judges it; on a refusal says why and returns the exit code.
std::optional<int> ReadPack(JobSession& session, const FlashOptions& options) {
  PackVerdict verdict = PackVerdict::Broken;
  try {
    verdict = session.ReadPack(options.PackPath);
  } catch (const EInOutError& error) {
    std::fprintf(stderr, "%s.\n  Cannot read the pack %s; check the name and the file.\n",
                 error.what(), options.PackPath.c_str());
    return kExitUnreadablePack;
  }
  const PackHeader& header = session.Pack().Header;
  switch (verdict) {
    case PackVerdict::Good:
      return std::nullopt;
    case PackVerdict::Broken:
      std::fprintf(stderr,
                   "%s\n"
                   "  %s: the header checksum or the firmware sum does not match.\n"
                   "  Get the pack again; nothing was sent.\n",
                   text::kPackBroken, options.PackPath.c_str());
      return kExitBrokenPack;
    case PackVerdict::ForeignTarget:
      if (!options.Force) {
        std::fprintf(stderr,
                     "%s\n"
                     "  %s is made for another target (code %u, this tool's is %u); nothing was "
                     "sent.\n  Pass --force to send it anyway.\n",
                     text::kForeignTarget, options.PackPath.c_str(), header.TargetCode(),
                     kOwnTargetCode);
        return kExitForeignTarget;
      }
      std::fprintf(stderr, "%s (target code %u): sent anyway because of --force\n",
                   text::kForeignTarget, header.TargetCode());
      return std::nullopt;
  }
  return kExitBrokenPack;
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
  EventLoop loop;
  ConsoleView view(stdout, platform::IsTerminal(stderr) ? stderr : nullptr);
  JobSession session(loop, view, SettingsFor(options));
  if (const auto refused = ReadPack(session, options)) return *refused;

  std::unique_ptr<ByteTraceFile> trace;
  if (!options.TraceFile.empty()) {
    try {
      trace = std::make_unique<ByteTraceFile>(options.TraceFile);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "quorin-iap-cli: %s\n", error.what());
      return kExitUsage;
    }
    session.SetTrace(trace->Hook());
  }

  JobOutcome outcome = JobOutcome::Cancelled;
  session.OnJobFinished = [&](JobOutcome finished) {
    outcome = finished;
    loop.Quit();
  };
  {
    InterruptWatcher interrupts(session);
    try {
      session.StartJob();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "%s.\n", error.what());
      return kExitInternalError;
    }
    if (interrupts.Interrupted()) session.Cancel();
    loop.Run();
  }
  const std::string advice = OpenFailureAdvice(session.LastJobReport());
  if (!advice.empty() &&
      (outcome == JobOutcome::PortError || outcome == JobOutcome::NotIdentified)) {
    std::fprintf(stderr, "quorin-iap-cli: %s\n", advice.c_str());
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
