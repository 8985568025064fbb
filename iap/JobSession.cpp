#include "iap/JobSession.h"

#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "iap/Frames.h"
#include "iap/IapProtocol.h"
#include "iap/JobControl.h"
#include "iap/Messages.h"
#include "iap/PostingJobView.h"
#include "iap/ReceiveClassifier.h"
#include "iap/TIAPThread.h"
#include "platform/ThreadCpuTime.h"

namespace quorin {

struct JobSession::Impl : std::enable_shared_from_this<JobSession::Impl> {
  Impl(JobSession& owner, NotifySink& ui, JobView& view, JobTarget target)
      : owner(owner), ui(ui), view(view), target(std::move(target)), avs1(ui) {}

  // The worker's whole life: the job, its report, JobBusy back to 0, then the finish notice.
  void RunJob() {
    const auto cpuAtStart = platform::CurrentThreadCpuTime();
    PostingJobView postingView(ui, view, weak_from_this());
    IapLink link{avs1, state, postingView, *jobPack, target, control, &jobTrace};
    TIAPThread job(link);
    JobReport report;
    report.Outcome = job.Execute();
    report.OpenFailure = job.Protocol().FirstOpenFailure();
    report.SettingsRefused = job.Protocol().FirstSettingsRefusal();
    report.FirmwareBytesSent = job.Protocol().FirmwareBytesSent();
    report.GroupsAcknowledged = job.Protocol().GroupsAcknowledged();
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

  JobSession& owner;
  NotifySink& ui;
  JobView& view;
  const JobTarget target;
  JobState state;
  TComm avs1;  // after `state`: its receive handler sets the flags until it is gone
  std::unique_ptr<PackRecords> pack = std::make_unique<PackRecords>();
  PackDecodeResult lastRead = PackDecodeResult::Ok;
  JobControl control;
  ByteTrace trace;     // what SetTrace gave
  ByteTrace jobTrace;  // the running job's copy, fixed while its worker runs
  JobReport lastReport;
  std::unique_ptr<PackRecords> jobPack;  // the running job's copy of the pack records
  std::thread worker;
};

JobSession::JobSession(NotifySink& ui, JobView& view, JobTarget target)
    : impl_(std::make_shared<Impl>(*this, ui, view, std::move(target))) {
  Impl* impl = impl_.get();
  PrepareJobPort(impl->avs1, impl->target);
  impl->avs1.OnReceiveData = [impl](TComm&, const std::uint8_t* buffer, std::uint16_t length) {
    // The trace records a delivery before the worker is woken, so the answer it provokes is
    // always stamped after it.
    if (impl->trace) impl->trace(TraceDirection::Received, buffer, length);
    AVS1ReceiveData(impl->state, buffer, length);
    impl->control.Wake();
  };
}

JobSession::~JobSession() {
  impl_->control.Cancel();
  if (impl_->worker.joinable()) impl_->worker.join();
  impl_->avs1.OnReceiveData = nullptr;
  impl_->avs1.ClosePort();
}

PackVerdict JobSession::ReadPack(const std::string& path) {
  impl_->lastRead = LoadUpdatePackResult(*impl_->pack, path);
  return JudgePack(impl_->lastRead == PackDecodeResult::Ok, impl_->pack->Header);
}

PackDecodeResult JobSession::LastReadResult() const {
  return impl_->lastRead;
}

void JobSession::UsePack(const PackRecords& records) {
  *impl_->pack = records;
}

const PackRecords& JobSession::Pack() const {
  return *impl_->pack;
}

bool JobSession::StartJob() {
  Impl& impl = *impl_;
  impl.view.ClearLog();
  if (impl.state.JobBusy.load() != 0) return false;
  impl.view.SetUpdateKindText(UpdateKindText(impl.pack->Header.UpdateKind()));
  impl.state.BlockPacing.store(BlockPacingFor(impl.target.BaudIndex()));
  auto copy = std::make_unique<PackRecords>(*impl.pack);
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
    throw std::runtime_error(text::kThreadCreationError + error.code().message());
  }
  return true;
}

void JobSession::Cancel() {
  impl_->control.Cancel();
}

const JobReport& JobSession::LastJobReport() const {
  return impl_->lastReport;
}

void JobSession::SetTrace(ByteTrace trace) {
  impl_->trace = std::move(trace);
}

const JobState& JobSession::State() const {
  return impl_->state;
}

const TComm& JobSession::Avs1() const {
  return impl_->avs1;
}

}  // namespace quorin
