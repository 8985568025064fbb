#include "iap/TIAPThread.h"

#include <chrono>
#include <exception>

#include "iap/Messages.h"

namespace quorin {
namespace {

using namespace std::chrono_literals;

constexpr auto kBeforeReconnect = 1500ms;
constexpr auto kBeforeAbortLines = 500ms;
constexpr auto kAfterGaugeHidden = 500ms;
constexpr auto kAfterClose = 100ms;

}  // namespace

JobOutcome TIAPThread::Execute() {
  JobOutcome outcome = JobOutcome::Failed;
  try {
    outcome = Body();
  } catch (const std::exception&) {
    // Only an exhausted heap gets here (the outcome stays Failed); the port must still be closed.
  }
  CleanUp();
  return outcome;
}

JobOutcome TIAPThread::Body() {
  link_.State.PortOk.store(1);
  link_.View.SetGaugeProgress(0);
  link_.View.SetGaugeVisible(true);
  Log(text::kConnecting);
  bool identified = protocol_.ConnectMcu();
  if (Cancelled()) return JobOutcome::Cancelled;
  if (link_.State.PortOk.load() == 0) {
    Log(text::kPortError);
    return JobOutcome::PortError;
  }
  if (identified) {
    Log(text::kIdentified);
  } else {
    protocol_.RestartMcu();
    if (Cancelled()) return JobOutcome::Cancelled;
    Log(text::kRestarting);
    if (!link_.Control.Pause(kBeforeReconnect)) return JobOutcome::Cancelled;
    // PortOk is not looked at again: a failed open here shows as no identification.
    identified = protocol_.ConnectMcu();
    if (Cancelled()) return JobOutcome::Cancelled;
  }
  if (!identified) {
    Log(text::kUnidentified1);
    Log(text::kUnidentified2);
    Log(text::kUnidentified3);
    return JobOutcome::NotIdentified;
  }
  Log(text::kProgramming);
  const bool ok = protocol_.SendPackHeader() && protocol_.SendFirmwareData();
  if (Cancelled()) return JobOutcome::Cancelled;
  if (ok) {
    const bool programmed = protocol_.WaitProgramResult();
    if (!programmed && Cancelled()) return JobOutcome::Cancelled;
    return programmed ? JobOutcome::Success : JobOutcome::Failed;
  }
  if (!link_.Control.Pause(kBeforeAbortLines)) return JobOutcome::Cancelled;
  Log(text::kUnsuccessful1);
  Log(text::kUnsuccessful2);
  return JobOutcome::Unsuccessful;
}

// Reached on every path. After a cancel the pauses are skipped but the port is still closed.
void TIAPThread::CleanUp() {
  link_.View.SetGaugeVisible(false);
  link_.Control.Pause(kAfterGaugeHidden);
  link_.Avs1.ClosePort();
  link_.Control.Pause(kAfterClose);
}

}  // namespace quorin
