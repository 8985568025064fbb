// quorin-iap-cli doctor [--port NAME] [--settings FILE] [--loopback] [--json] [--watch SECONDS]
// Says why the tool cannot reach the controller: the adapters present, their drivers, what takes
// them away, the port a job would use, and (when that port opens) what the line does. Sends the
// controller nothing but identification requests (0x02).
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>

#include "cli/Commands.h"
#include "cli/JsonText.h"
#include "cli/NameArgs.h"
#include "cli/PortOption.h"
#include "iap/Doctor.h"
#include "iap/DoctorLine.h"
#include "iap/DoctorText.h"
#include "platform/DeviceView.h"
#include "platform/OutsideText.h"
#include "settings/UartSettings.h"

namespace quorin {
namespace {

struct DoctorOptions {
  std::string Port;
  std::string SettingsFile;
  bool Loopback = false;
  bool Json = false;
  unsigned WatchSeconds = 0;
};

// What the findings mean for the exit code: 3 for anything between the tool and an open port,
// 4 when the port opens but the line check failed, 0 when nothing is a problem.
int ExitCodeFor(const DoctorResult& result) {
  int code = kExitOk;
  for (const Finding& finding : result.Findings) {
    if (finding.Level != Severity::Problem) continue;
    if (finding.Check == "no-answer" || finding.Check == "loopback-failed") {
      if (code == kExitOk) code = kExitNotIdentified;
    } else {
      code = kExitPortError;
    }
  }
  return code;
}

std::string AdapterLine(const DoctorAdapter& adapter) {
  std::string line = adapter.Chip + " " + adapter.UsbId;
  line += adapter.Port.empty() ? std::string(" (no port)")
                               : " on " + platform::TerminalSafe(adapter.Port) + " " +
                                     platform::TerminalSafe(adapter.Device);
  return line + ", driver " +
         (adapter.Driver.empty() ? std::string("(none)") : platform::TerminalSafe(adapter.Driver));
}

// The findings as one JSON object: {"adapters": [...], "findings": [...]}, every string exactly as
// found (escaped, never cleaned); `result` comes from Diagnose(..., OutsideTextUse::Exact).
std::string DoctorJson(const DoctorResult& result) {
  const auto adapterJson = [](const DoctorAdapter& adapter) {
    return JsonObject({{"port", JsonString(adapter.Port)},
                       {"device", JsonString(adapter.Device)},
                       {"usb-id", JsonString(adapter.UsbId)},
                       {"chip", JsonString(adapter.Chip)},
                       {"driver", JsonString(adapter.Driver)},
                       {"description", JsonString(adapter.Description)}});
  };
  const auto findingJson = [](const Finding& finding) {
    return JsonObject({{"check", JsonString(finding.Check)},
                       {"severity", JsonString(SeverityName(finding.Level))},
                       {"text", JsonString(finding.Text)},
                       {"action", JsonString(finding.Action)}});
  };
  return JsonObject({{"adapters", JsonArray(result.Adapters, adapterJson)},
                     {"findings", JsonArray(result.Findings, findingJson)}});
}

// --watch: what appears and disappears on this machine, as it happens, on `out`.
void Watch(unsigned seconds, std::FILE* out) {
  const auto view = platform::SystemDeviceView();
  using Clock = std::chrono::steady_clock;
  constexpr auto kEvery = std::chrono::milliseconds(200);
  constexpr double kBrief = 5.0;  // an adapter gone within this many seconds was taken
  const auto started = Clock::now();
  std::map<std::string, std::pair<DoctorAdapter, double>> present;  // key -> adapter, seen at
  bool first = true;
  std::fprintf(out, "Watching for %u s: plug the adapter in (and out) now.\n", seconds);
  while (true) {
    std::map<std::string, DoctorAdapter> now;
    for (DoctorAdapter& adapter : SerialAdapters(view->Look())) {
      now.emplace(adapter.UsbId + "|" + adapter.Device + "|" + adapter.Driver, std::move(adapter));
    }
    const double at = std::chrono::duration<double>(Clock::now() - started).count();
    for (auto it = present.begin(); it != present.end();) {
      if (now.count(it->first) != 0) {
        ++it;
        continue;
      }
      std::fprintf(out, "%6.1f s  gone:     %s", at, AdapterLine(it->second.first).c_str());
      if (!first && at - it->second.second < kBrief && !it->second.first.Port.empty()) {
        std::fprintf(out, "  (after %.1f s: something took it; on Linux usually brltty)",
                     at - it->second.second);
      }
      std::fputs("\n", out);
      it = present.erase(it);
    }
    for (auto& [key, adapter] : now) {
      if (present.count(key) != 0) continue;
      std::fprintf(out, "%6.1f s  %s %s\n", at,
                   first ? "present:" : "new:    ", AdapterLine(adapter).c_str());
      present.emplace(key, std::make_pair(adapter, at));
    }
    std::fflush(out);
    first = false;
    if (at >= seconds) break;
    std::this_thread::sleep_for(kEvery);
  }
}

int RunDoctor(const DoctorOptions& options) {
  std::optional<JobTarget> jobTarget;
  if (const auto refused = PortOptionTarget(options.Port, options.SettingsFile, jobTarget)) {
    return *refused;
  }
  const std::string source =
      options.Port.empty()
          ? "the settings file " +
                (options.SettingsFile.empty() ? SettingsFilePath() : options.SettingsFile)
          : "--port";
  if (options.WatchSeconds > 0) Watch(options.WatchSeconds, options.Json ? stderr : stdout);
  const DoctorFacts facts = SystemDoctorFacts(
      *jobTarget, source, options.Loopback ? LineCheck::Loopback : LineCheck::Controller);
  const DoctorResult exact = Diagnose(facts, OutsideTextUse::Exact);
  if (options.Json) {
    std::fputs((DoctorJson(exact) + "\n").c_str(), stdout);
  } else {
    std::fputs(DoctorText(Diagnose(facts, OutsideTextUse::TerminalSafe)).c_str(), stdout);
  }
  if (std::fflush(stdout) != 0) {
    std::fputs("quorin-iap-cli: the findings could not be written to stdout.\n", stderr);
  }
  return ExitCodeFor(exact);
}

}  // namespace

void AddDoctorCommand(CLI::App& app, int& exitCode) {
  const auto [doctor, options] = AddCommand(
      app, "doctor",
      "Say why the tool cannot reach the controller: USB serial adapters, drivers, brltty and "
      "ModemManager, the job's port, and what the line does. Sends the controller nothing but "
      "identification requests.\nExit codes: 0 nothing stands in the way, 2 the settings file "
      "gives no port, 3 a problem with the adapter or the port, 4 the port opens but nothing "
      "answered (or the loopback failed), 64 a usage error, 70 an internal error.",
      exitCode, RunDoctor);
  // The help shows this check by name (TEXT:NOT EMPTY).
  const CLI::Validator notEmpty = NotEmpty().description("NOT EMPTY");
  doctor
      ->add_option("--port", options->Port,
                   "The port to check: a device path, COMn, or auto (default: the settings "
                   "file's port)")
      ->check(notEmpty);
  doctor
      ->add_option("--settings", options->SettingsFile,
                   "Settings file (default: Cyclomer.ini beside the executable)")
      ->check(notEmpty);
  doctor->add_flag("--loopback", options->Loopback,
                   "TX and RX of the adapter are bridged: send test patterns and compare the echo "
                   "(instead of asking the controller)");
  doctor->add_flag("--json", options->Json,
                   "Print one JSON object on stdout: {\"adapters\": [...], \"findings\": [...]}");
  doctor
      ->add_option("--watch", options->WatchSeconds,
                   "First report for SECONDS what adapters appear and disappear")
      ->check(CLI::Range(1u, 3600u));
}

}  // namespace quorin
