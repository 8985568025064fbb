#include "iap/TIAPThread.h"

#include <chrono>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "iap/Frames.h"
#include "iap/IapProtocol.h"
#include "iap/JobControl.h"
#include "iap/PostingJobView.h"
#include "platform/ThreadCpuTime.h"

namespace quorin {
namespace {

using namespace std::chrono_literals;

constexpr auto kBeforeReconnect = 1500ms;
constexpr auto kBeforeAbortLines = 500ms;
constexpr auto kAfterGaugeHidden = 500ms;
constexpr auto kAfterClose = 100ms;

}  // namespace

// The job body: the ten steps from "Conntectting MCU...." to the clean-up. Runs on the worker.
class TIAPThread {
 public:
  explicit TIAPThread(IapLink link) : link_(link), protocol_(link) {}

  // Runs the body and the clean-up (gauge hidden, port closed); leaves JobBusy to the caller,
  // which clears it as the very last step. Returns how the job ended.
  JobOutcome Execute() {
    JobOutcome outcome = JobOutcome::Failed;
    try {
      outcome = Body();
    } catch (const std::exception&) {
      // Only an exhausted heap gets here; the port must still be closed.
      outcome = JobOutcome::Failed;
    }
    CleanUp();
    return outcome;
  }

  const IapProtocol& Protocol() const { return protocol_; }

 private:
  void Log(const char* line) { link_.View.AddLogLine(line); }
  bool Cancelled() const { return link_.Control.Cancelled(); }

  JobOutcome Body() {
    link_.State.PortOk.store(1);
    link_.View.SetGaugeProgress(0);
    link_.View.SetGaugeVisible(true);
    Log("Conntectting MCU....");
    bool identified = protocol_.ConnectMcu();
    if (Cancelled()) return JobOutcome::Cancelled;
    if (link_.State.PortOk.load() == 0) {
      Log("UART Port error ");
      return JobOutcome::PortError;
    }
    if (identified) {
      Log("MCU Identified");
    } else {
      protocol_.RestartMcu();
      if (Cancelled()) return JobOutcome::Cancelled;
      Log("MCU Restarting...");
      if (!link_.Control.Pause(kBeforeReconnect)) return JobOutcome::Cancelled;
      // PortOk is not looked at again: a failed open here shows as no identification.
      identified = protocol_.ConnectMcu();
      if (Cancelled()) return JobOutcome::Cancelled;
    }
    if (!identified) {
      Log("MCU undentified ,try agian");
      Log("or IAP app version is lower");
      Log("or pack version is lower than V6400");
      return JobOutcome::NotIdentified;
    }
    Log("Programing...");
    bool ok = protocol_.SendPackHeader();
    if (ok) ok = protocol_.SendFirmwareData();
    if (Cancelled()) return JobOutcome::Cancelled;
    if (ok) {
      const bool programmed = protocol_.WaitProgramResult();
      if (!programmed && Cancelled()) return JobOutcome::Cancelled;
      return programmed ? JobOutcome::Success : JobOutcome::Failed;
    }
    if (!link_.Control.Pause(kBeforeAbortLines)) return JobOutcome::Cancelled;
    Log("Program unsucessful");
    Log("Power-off controller and try again ");
    return JobOutcome::Unsuccessful;
  }

  // Reached on every path. After a cancel the pauses are skipped but the port is still closed.
  void CleanUp() {
    link_.View.SetGaugeVisible(false);
    link_.Control.Pause(kAfterGaugeHidden);
    link_.Avs1.ClosePort();
    link_.Control.Pause(kAfterClose);
  }

  IapLink link_;
  IapProtocol protocol_;
};

struct IapProgrammer::Impl : std::enable_shared_from_this<IapProgrammer::Impl> {
  Impl(IapProgrammer& owner, NotifySink& ui, TComm& avs1, JobState& state, JobView& view,
       JobSettings settings)
      : owner(owner), ui(ui), avs1(avs1), state(state), view(view), settings(std::move(settings)) {}

  // The worker's whole life: the job, its report, JobBusy back to 0, then the finish notice.
  void RunJob() {
    const auto cpuAtStart = platform::CurrentThreadCpuTime();
    PostingJobView postingView(ui, view, weak_from_this());
    IapLink link{avs1, state, postingView, *jobPack, settings, control, &jobTrace};
    TIAPThread job(link);
    JobReport report;
    report.Outcome = job.Execute();
    if (const auto& failure = job.Protocol().FirstOpenFailure()) {
      report.FailedPortName = failure->PortName;
      report.OpenErrorText = failure->Text;
      report.OpenErrorReason = failure->Reason;
    }
    report.WorkerCpuTime = platform::CurrentThreadCpuTime() - cpuAtStart;
    state.JobBusy.store(0);
    // Queued behind every view call of the job, so it runs after the last of them.
    ui.Post([weak = weak_from_this(), report = std::move(report)]() {
      const auto self = weak.lock();
      if (!self) return;
      self->lastReport = report;
      if (self->owner.OnJobFinished) self->owner.OnJobFinished(report.Outcome);
    });
  }

  IapProgrammer& owner;
  NotifySink& ui;
  TComm& avs1;
  JobState& state;
  JobView& view;
  const JobSettings settings;
  JobControl control;
  ByteTrace trace;     // UI thread: what SetTrace gave
  ByteTrace jobTrace;  // the running job's copy, fixed while its worker runs
  JobReport lastReport;
  std::unique_ptr<PackRecords> jobPack;  // the running job's copy of the pack records
  std::thread worker;
};

IapProgrammer::IapProgrammer(NotifySink& ui, TComm& avs1, JobState& state, JobView& view,
                             JobSettings settings)
    : impl_(std::make_shared<Impl>(*this, ui, avs1, state, view, std::move(settings))) {
  Impl* impl = impl_.get();
  avs1.OnReceiveData = [impl](TComm&, const std::uint8_t* buffer, std::uint16_t length) {
    AVS1ReceiveData(impl->state, buffer, length);
    impl->control.Wake();
    if (impl->trace) impl->trace(TraceDirection::Received, buffer, length);
  };
}

IapProgrammer::~IapProgrammer() {
  impl_->control.Cancel();
  if (impl_->worker.joinable()) impl_->worker.join();
  impl_->avs1.OnReceiveData = nullptr;
  impl_.reset();  // calls of the job still queued in the sink find it gone and do nothing
}

bool IapProgrammer::Btn_SendToControllerClick(const PackRecords& pack) {
  Impl& impl = *impl_;
  impl.view.ClearLog();
  if (impl.state.JobBusy.load() != 0) return false;
  impl.view.SetUpdateKindText(UpdateKindText(pack.Header.UpdateKind()));
  impl.state.BlockPacing.store(BlockPacingFor(impl.settings.BaudIndex()));
  auto copy = std::make_unique<PackRecords>(pack);
  // JobBusy is 0, so the previous worker has passed its last step; only its end is left.
  if (impl.worker.joinable()) impl.worker.join();
  impl.state.JobBusy.store(1);
  impl.jobPack = std::move(copy);
  impl.jobTrace = impl.trace;
  impl.control.Reset();
  try {
    impl.worker = std::thread([&impl] { impl.RunJob(); });
  } catch (const std::system_error& error) {
    impl.state.JobBusy.store(0);
    throw std::runtime_error("Thread creation error: " + error.code().message());
  }
  return true;
}

void IapProgrammer::Cancel() { impl_->control.Cancel(); }

const JobReport& IapProgrammer::LastJobReport() const { return impl_->lastReport; }

void IapProgrammer::SetTrace(ByteTrace trace) { impl_->trace = std::move(trace); }

}  // namespace quorin
