// quorin-iap-cli flash PACK [--port NAME | --simulate[=SCENARIO]] [--settings FILE] [--force]
//                          [--trace FILE] [--force-trace] [--json]
// Runs exactly one programming job through the same JobSession the window uses, with this
// process's main thread running the event loop as the UI thread. With --simulate the job talks to
// the simulated controller in this process, over an in-memory loopback line (every platform).
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/ByteTraceFile.h"
#include "cli/Commands.h"
#include "cli/ConsoleView.h"
#include "cli/FlashJson.h"
#include "cli/NameArgs.h"
#include "cli/PackProblems.h"
#include "cli/PortOption.h"
#include "cli/StopRequests.h"
#include "comm/EventLoop.h"
#include "comm/PortNames.h"
#include "iap/JobSession.h"
#include "iap/Messages.h"
#include "iap/OpenAdvice.h"
#include "platform/OutsideText.h"
#include "platform/Process.h"
#include "settings/UartSettings.h"
#include "sim/InProcessController.h"

namespace quorin {
namespace {

struct FlashOptions {
  std::string PackPath;
  std::string Port;          // empty: "COM" + the settings file's port
  std::string SettingsFile;  // empty: SettingsFilePath()
  bool Force = false;
  std::string TraceFile;    // empty: no trace
  bool ForceTrace = false;  // an existing regular trace file may be replaced
  std::string Simulate;     // not empty: the scenario the simulated controller plays
  bool Json = false;        // stdout gets one JSON object; the log lines go to stderr
};

// What the job's outcome means for the exit code.
int ExitCodeFor(JobOutcome outcome) {
  switch (outcome) {
    case JobOutcome::Success:
      return kExitOk;
    case JobOutcome::PortError:
      return kExitPortError;
    case JobOutcome::NotIdentified:
      return kExitNotIdentified;
    case JobOutcome::Unsuccessful:
      return kExitUnsuccessful;
    case JobOutcome::Failed:
      return kExitProgramFail;
    case JobOutcome::Cancelled:
      return kExitInterrupted;
  }
  return kExitProgramFail;
}

// `session` is the one a stop request cancels while this lives; its end waits for a cancel under
// way.
class WatchedSession {
 public:
  WatchedSession(StopRequests& requests, JobSession& session) : requests_(requests) {
    requests_.OnRequest([&session] { session.Cancel(); });
  }
  ~WatchedSession() { requests_.OnRequest({}); }
  WatchedSession(const WatchedSession&) = delete;
  WatchedSession& operator=(const WatchedSession&) = delete;

 private:
  StopRequests& requests_;
};

// Reads the pack into the session and judges it; on a refusal says why and returns the exit code.
std::optional<int> ReadPack(JobSession& session, const FlashOptions& options) {
  const std::string shownPack = platform::TerminalSafe(options.PackPath);
  PackVerdict verdict = PackVerdict::Broken;
  try {
    verdict = session.ReadPack(options.PackPath);
  } catch (const EInOutError& error) {
    std::fprintf(stderr, "%s.\n  %s\n  Cannot read the pack %s; nothing was sent.\n", error.what(),
                 ReadErrorExplanation(error, options.PackPath).c_str(), shownPack.c_str());
    return kExitUnreadablePack;
  }
  const PackHeader& header = session.Pack().Header;
  switch (verdict) {
    case PackVerdict::Good:
      break;
    case PackVerdict::Broken:
      std::fprintf(stderr,
                   "%s\n"
                   "  %s: %s\n"
                   "  Get the pack again; nothing was sent.\n",
                   text::kPackBroken, shownPack.c_str(),
                   BrokenPackExplanation(session.LastReadResult(), header).c_str());
      return kExitBrokenPack;
    case PackVerdict::ForeignTarget:
      if (!options.Force) {
        std::fprintf(stderr,
                     "%s\n"
                     "  %s is made for another target (code %u, this tool's is %u); nothing was "
                     "sent.\n  Pass --force to send it anyway.\n",
                     text::kForeignTarget, shownPack.c_str(), header.TargetCode(), kOwnTargetCode);
        return kExitForeignTarget;
      }
      std::fprintf(stderr, "%s (target code %u): sent anyway because of --force\n",
                   text::kForeignTarget, header.TargetCode());
      break;
  }
  if (header.DataLength() == 0) {
    if (!options.Force) {
      std::fprintf(stderr,
                   "%s holds no firmware (its data length is 0); nothing was sent.\n"
                   "  Pass --force to send it anyway.\n",
                   shownPack.c_str());
      return kExitBrokenPack;
    }
    std::fprintf(stderr, "%s holds no firmware: sent anyway because of --force\n",
                 shownPack.c_str());
  }
  return std::nullopt;
}

// Opens the trace, never over the pack, the settings file (`settingsPath`) or the port; on a
// refusal says why and returns the exit code.
std::optional<int> OpenTrace(const FlashOptions& options, const std::string& settingsPath,
                             const std::string& portName, std::unique_ptr<ByteTraceFile>& trace) {
  std::vector<platform::KeptFile> kept = {{"the pack", options.PackPath},
                                          {"the settings file", settingsPath}};
  if (options.Simulate.empty()) kept.push_back({"the serial port", ResolvePortName(portName)});
  try {
    trace = std::make_unique<ByteTraceFile>(options.TraceFile, options.ForceTrace, kept);
  } catch (const platform::TraceOpenError& error) {
    return Fail("",
                error.Reason() == platform::TraceOpenError::Kind::Refused ? kExitUsage
                                                                          : kExitUnreadablePack,
                std::string(error.what()) + "; nothing was sent.");
  }
  return std::nullopt;
}

// The stderr line of a job that did not succeed, naming the device it used.
void SayWhere(JobOutcome outcome, const std::string& portName) {
  const std::string device = DeviceForMessage(portName);
  if (outcome == JobOutcome::Cancelled) {
    std::fprintf(stderr,
                 "quorin-iap-cli: interrupted on %s; nothing more was sent and the port is "
                 "closed.\n",
                 device.c_str());
  } else if (outcome != JobOutcome::Success) {
    std::fprintf(stderr, "quorin-iap-cli: the job failed on %s.\n", device.c_str());
  }
}

// Runs the command and fills `summary` as far as it got; returns the exit code.
int RunFlash(const FlashOptions& options, StopRequests& interrupts, FlashSummary& summary) {
  EventLoop loop;
  // With --json stdout is the object's alone: a person still follows the log on stderr.
  ConsoleView console(options.Json ? stderr : stdout,
                      platform::IsTerminal(stderr) ? stderr : nullptr);
  const std::string settingsPath =
      options.SettingsFile.empty() ? SettingsFilePath() : options.SettingsFile;
  std::optional<JobTarget> target;
  // Destroyed after the job's session, which cuts the line.
  std::unique_ptr<sim::InProcessController> simulated;
  if (options.Simulate.empty()) {
    if (const auto refused = PortOptionTarget(options.Port, options.SettingsFile, target)) {
      return *refused;
    }
  } else {
    sim::SimOptions simOptions;
    simOptions.Scenario = *sim::ParseScenarioName(options.Simulate);  // checked by the parser
    try {
      simulated = std::make_unique<sim::InProcessController>(simOptions);
    } catch (const std::exception& error) {
      return Fail("", kExitInternalError,
                  "the simulated controller cannot start: " + std::string(error.what()) + ".");
    }
    target = JobTarget::Simulated(simulated->Line()).BaudIndexFrom(settingsPath);
  }
  const std::string portName = target->PortName();
  summary.Port = portName;
  summary.Device = simulated ? portName : ResolvePortName(portName);
  JobSession session(loop, console, *target);
  const std::optional<int> packRefused = ReadPack(session, options);
  if (packRefused != kExitUnreadablePack && session.LastReadResult() == PackDecodeResult::Ok) {
    const PackHeader& header = session.Pack().Header;  // a header that decoded, used or not
    summary.Version = header.Version();
    summary.Target = header.TargetCode();
    summary.DataLength = header.DataLength();
  }
  if (packRefused) return *packRefused;

  std::unique_ptr<ByteTraceFile> trace;
  if (!options.TraceFile.empty()) {
    if (const auto refused = OpenTrace(options, settingsPath, portName, trace)) return *refused;
    session.SetTrace(trace->Hook());
  }

  JobOutcome outcome = JobOutcome::Cancelled;
  session.OnJobFinished = [&](JobOutcome finished) {
    outcome = finished;
    loop.Quit();
  };
  const auto started = std::chrono::steady_clock::now();
  if (!interrupts.Arrived()) {  // a request during the pack's reading: no job at all
    const WatchedSession watched(interrupts, session);
    try {
      session.StartJob();
    } catch (const std::exception& error) {
      return Fail("", kExitInternalError, std::string(error.what()) + ".");
    }
    if (interrupts.Arrived()) session.Cancel();
    loop.Run();
  }
  summary.DurationSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (trace) {
    session.SetTrace({});
    std::fputs(trace->Finish().c_str(), stderr);
  }
  JobReport report = session.LastJobReport();
  summary.BytesSent = report.FirmwareBytesSent;
  summary.GroupsAcknowledged = report.GroupsAcknowledged;
  summary.Log = console.Lines();
  if (report.SettingsRefused) {
    PortSettingsRefused& refused = *report.SettingsRefused;
    RefusedSettingsNote note{refused.PortName, refused.BaudRate, {}, {}};
    if (refused.LineState) note.LineState = refused.LineState.message();
    if (refused.Timeouts) note.Timeouts = refused.Timeouts.message();
    summary.RefusedSettings = note;
    // A job that got no (or no full) answer says why it may have got none.
    if (outcome != JobOutcome::Success && outcome != JobOutcome::Cancelled &&
        outcome != JobOutcome::PortError) {
      refused.PortName = ShownName(refused.PortName);
      std::fprintf(stderr, "quorin-iap-cli: %s\n", RefusedSettingsAdvice(report).c_str());
    }
  }
  if (outcome == JobOutcome::PortError || outcome == JobOutcome::NotIdentified) {
    const std::string advice = OpenFailureAdvice(report);
    if (!advice.empty()) std::fprintf(stderr, "quorin-iap-cli: %s\n", advice.c_str());
  }
  SayWhere(outcome, portName);
  if (report.OpenFailure && report.OpenFailure->InProgram && outcome != JobOutcome::Success &&
      outcome != JobOutcome::Cancelled) {
    return kExitInternalError;  // not the port's fault: a thread or an event could not be made
  }
  if (console.LogLost()) {
    std::fprintf(stderr,
                 "quorin-iap-cli: %s could not be written (closed pipe?); the job went on to its "
                 "end without showing the rest of its log.\n",
                 options.Json ? "stderr" : "stdout");
  }
  return ExitCodeFor(outcome);
}

int RunFlash(const FlashOptions& options) {
  FlashSummary summary;
  summary.Pack = options.PackPath;
  try {
    // Before any other thread starts (the simulated controller's, the trace's, the job's, the
    // port's); a request that comes before the job's session exists is remembered.
    StopRequests interrupts;
    summary.ExitCode = RunFlash(options, interrupts, summary);
  } catch (const std::exception& error) {
    // A thread that cannot be started (std::system_error), memory that cannot be had: the tool's
    // own failure, which the JSON object reports like any other outcome.
    summary.ExitCode =
        Fail("", kExitInternalError, "internal error: " + std::string(error.what()) + ".");
  }
  if (options.Json) {
    const std::string json = FlashJson(summary) + "\n";
    if (std::fputs(json.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
      std::fputs("quorin-iap-cli: the JSON summary could not be written to stdout.\n", stderr);
    }
  }
  return summary.ExitCode;
}

}  // namespace

void ReportUsageError(const CLI::App& app) {
  const CLI::App* flash = app.get_subcommand("flash");
  if (flash->parsed() == 0 || flash->get_option("--json")->count() == 0) return;
  FlashSummary summary;
  summary.ExitCode = kExitUsage;
  if (const auto& packs = flash->get_option("PACK")->results(); !packs.empty()) {
    summary.Pack = packs.front();
  }
  std::fputs((FlashJson(summary) + "\n").c_str(), stdout);
  std::fflush(stdout);
}

void AddFlashCommand(CLI::App& app, int& exitCode) {
  const auto [flash, options] = AddCommand(
      app, "flash",
      "Write a pack's firmware into the controller (one programming job).\nExit codes: 0 "
      "programmed, 1 a broken pack or one without firmware, 2 a pack, settings file or trace "
      "that cannot be used, 3 the port cannot be opened, 4 no loader answered, 5 not "
      "acknowledged, 6 no final answer, 7 a pack for another target, 64 a usage error (an empty "
      "name too, and an existing trace file without --force-trace), 70 an internal error (e.g. "
      "a thread that cannot be started), 130 interrupted (SIGINT, SIGTERM, SIGHUP; --simulate "
      "too). With --json the outcome's word names the exit code, a usage error's included.",
      exitCode, RunFlash);
  AddNameOption(*flash, "PACK", options->PackPath, "The update pack (.Pack)")->required();
  CLI::Option* port = AddNameOption(*flash, "--port", options->Port,
                                    "Serial port: a device path, COMn, or auto for the one USB "
                                    "serial adapter present (default: the settings file's port)");
  flash
      ->add_flag("--simulate{normal}", options->Simulate,
                 "Instead of a port, talk to the simulated controller inside this program, "
                 "playing SCENARIO (default normal; the scenarios of the simulate command)")
      ->check(ScenarioName())
      ->excludes(port);
  AddNameOption(*flash, "--settings", options->SettingsFile,
                "Settings file (default: Cyclomer.ini beside the executable); without --port it "
                "must hold a port");
  flash->add_flag("--force", options->Force,
                  "Send a pack made for another target, or one that holds no firmware, too");
  AddNameOption(*flash, "--trace", options->TraceFile,
                "Write a timestamped hex dump of every byte sent and received to this file, FIFO "
                "or device. Never slows the job: what a slow reader cannot take is dropped and "
                "counted");
  flash->add_flag("--force-trace", options->ForceTrace,
                  "Replace an existing regular --trace file (never the pack, the settings file "
                  "or the port)");
  flash->add_flag("--json", options->Json,
                  "Print one JSON object on stdout at the end (outcome, pack, version, target, "
                  "data-length, port, device, bytes-sent, groups-acknowledged, duration, log); "
                  "the log lines then go to stderr");
}

}  // namespace quorin
