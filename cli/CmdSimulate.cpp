// quorin-iap-cli simulate [--scenario NAME] [--link PATH] [--group K] [--ack-delay MS]
//                         [--firmware-out FILE] [--seed N]
// Plays the controller on a pseudo-terminal until SIGINT or SIGTERM: prints the device to open
// (optionally linked as PATH), then one line per job and per protocol fault it sees.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "cli/Commands.h"
#include "cli/NameArgs.h"
#include "cli/StopRequests.h"
#include "platform/FileIdentity.h"
#include "platform/OutsideText.h"
#include "sim/SimController.h"

namespace quorin {
namespace {

struct SimulateOptions {
  std::string Scenario = "normal";
  std::string Link;
  unsigned Group = 1;
  unsigned AckDelayMs = 1000;
  std::string FirmwareOut;
  std::uint32_t Seed = 1;
};

// The symbolic link PATH -> device, made by this process (an existing PATH is never replaced) and
// removed on exit only while it is still that very link pointing at the device.
class DeviceLink {
 public:
  DeviceLink(std::string path, const std::string& device)
      : path_(std::move(path)), device_(device) {
    if (platform::LinkIdentityOf(path_)) {
      throw std::runtime_error(path_ +
                               " already exists; --link only makes a new link and never replaces "
                               "anything: remove it yourself or choose another PATH");
    }
    std::error_code error;
    std::filesystem::create_symlink(device_, path_, error);
    if (error) throw std::runtime_error("cannot create the link " + path_ + ": " + error.message());
    made_ = platform::LinkIdentityOf(path_);
  }
  ~DeviceLink() {
    const auto now = platform::LinkIdentityOf(path_);
    if (!made_ || !now || !now->SameFileAs(*made_) || now->Kind != platform::FileKind::SymbolicLink)
      return;
    std::error_code error;
    if (std::filesystem::read_symlink(path_, error) == device_ && !error) {
      std::filesystem::remove(path_, error);
    }
  }
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

 private:
  std::string path_;
  std::filesystem::path device_;
  std::optional<platform::FileIdentity> made_;
};

const char* EndText(sim::SessionEnd end) {
  switch (end) {
    case sim::SessionEnd::Verdict:
      return "verdict 0x04 sent";
    case sim::SessionEnd::VerdictWithheld:
      return "all blocks in, verdict withheld";
    case sim::SessionEnd::Burst:
      return "500-byte burst sent instead of the verdict";
    case sim::SessionEnd::Idle:
      return "abandoned (the line went quiet)";
    case sim::SessionEnd::CablePulled:
      return "cable pulled";
    case sim::SessionEnd::Refused:
      return "refused";
    case sim::SessionEnd::Open:
      break;
  }
  return "running";
}

void PrintSession(unsigned number, const sim::LoaderSession& session) {
  std::printf("job %u: %u identification request(s), ", number, session.IdentificationRequests);
  if (session.Header) {
    std::printf("%lu of %lu firmware bytes in %zu blocks, ",
                static_cast<unsigned long>(session.Firmware.size()),
                static_cast<unsigned long>(session.Header->Fields.DataLength), session.Blocks);
  } else {
    std::printf("no header, ");
  }
  std::printf("%s\n", EndText(session.End));
}

int RunSimulate(const SimulateOptions& given) {
  sim::SimOptions options;
  options.Scenario = *sim::ParseScenarioName(given.Scenario);  // checked by the parser
  options.Group = given.Group;
  options.AckDelay = std::chrono::milliseconds(given.AckDelayMs);
  options.FirmwareOutputPath = given.FirmwareOut;
  options.Seed = given.Seed;
  options.KeepByteLog = false;  // runs for hours; the per-job lines need no byte log

  // Each firmware replaces the file as a whole; what is not a regular file is never touched.
  if (const auto existing = platform::IdentityOf(given.FirmwareOut);
      !given.FirmwareOut.empty() && existing && existing->Kind != platform::FileKind::Regular) {
    return Fail("simulate", kExitUsage,
                "--firmware-out " + given.FirmwareOut +
                    " is not a regular file (a folder, a FIFO, a device ...); name a file to "
                    "write each firmware into");
  }
  StopRequests signals;  // before the controller's thread exists, so it inherits the mask
  std::unique_ptr<sim::SimController> controller;
  std::unique_ptr<DeviceLink> link;
  try {
    controller = std::make_unique<sim::SimController>(options);
    controller->Start();
  } catch (const std::exception& error) {
    return Fail("simulate", kExitInternalError,
                "no pseudo-terminal to be had (" + std::string(error.what()) +
                    "); check that /dev/ptmx and /dev/pts are available");
  }
  try {
    if (!given.Link.empty()) {
      link = std::make_unique<DeviceLink>(given.Link, controller->SlavePath());
    }
  } catch (const std::exception& error) {
    return Fail("simulate", kExitUsage, error.what());
  }
  std::printf("%s\n", controller->SlavePath().c_str());
  std::printf("simulated controller (scenario %s) on %s%s%s; Ctrl-C ends it\n",
              given.Scenario.c_str(), controller->SlavePath().c_str(),
              given.Link.empty() ? "" : ", linked as ", platform::TerminalSafe(given.Link).c_str());
  std::fflush(stdout);

  unsigned jobs = 0;
  std::size_t faultsShown = 0;
  std::size_t framesShown = 0;
  for (;;) {
    const bool stop = signals.Arrived(std::chrono::milliseconds(200));
    const sim::SimReport report = controller->Report();
    for (; framesShown < report.RestartFrames.size(); ++framesShown) {
      const sim::RestartFrameRecord& frame = report.RestartFrames[framesShown];
      std::printf("restart frame at %u baud: %s\n", frame.Baud,
                  frame.Accepted ? "accepted, the loader starts"
                                 : (frame.Problems.empty() ? "ignored" : "refused"));
    }
    for (; faultsShown < report.Violations.size(); ++faultsShown) {
      std::printf("protocol fault: %s\n", report.Violations[faultsShown].c_str());
    }
    for (const sim::LoaderSession& session : controller->TakeEndedSessions()) {
      PrintSession(++jobs, session);
    }
    std::fflush(stdout);
    if (stop) break;
  }
  controller->Stop();
  std::printf("stopped after %u job(s)\n", jobs);
  return kExitOk;
}

}  // namespace

void AddSimulateCommand(CLI::App& app, int& exitCode) {
  const auto [command, options] = AddCommand(
      app, "simulate",
      "Play the motor controller on a pseudo-terminal until Ctrl-C: prints the device to flash "
      "to, then one line per job.\nExit codes: 0 stopped by SIGINT/SIGTERM, 64 usage (also a "
      "--link PATH that exists already or cannot be made), 70 no pseudo-terminal.",
      exitCode, RunSimulate);
  command->add_option("--scenario", options->Scenario, "How the controller misbehaves")
      ->check(ScenarioName())
      ->capture_default_str();
  AddNameOption(*command, "--link", options->Link,
                "Also make PATH a symbolic link to the device; PATH must not exist. On exit the "
                "link is removed if it is still the one made");
  command
      ->add_option("--group", options->Group,
                   "k of ack-lost, ack-delay and cable-pulled: the k-th 1024-byte group")
      ->capture_default_str();
  command->add_option("--ack-delay", options->AckDelayMs, "Delay of ack-delay in milliseconds")
      ->capture_default_str();
  AddNameOption(*command, "--firmware-out", options->FirmwareOut,
                "Write each received firmware (unmasked) to FILE");
  command->add_option("--seed", options->Seed, "Seed of the noise and burst bytes")
      ->capture_default_str();
}

}  // namespace quorin
