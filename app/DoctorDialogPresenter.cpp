#include "app/DoctorDialogPresenter.h"

#include <exception>
#include <system_error>
#include <utility>

#include "iap/DoctorLine.h"
#include "iap/DoctorText.h"
#include "iap/Messages.h"

namespace quorin {

WindowDoctor SystemWindowDoctor(std::string source) {
  return [source = std::move(source)](const JobTarget& job) {
    // The window has no bridged cable to test: it asks the controller, as the command line does
    // without --loopback.
    return Diagnose(SystemDoctorFacts(job, source, LineCheck::Controller),
                    OutsideTextUse::TerminalSafe);
  };
}

DoctorDialogPresenter::DoctorDialogPresenter(NotifySink& ui, WindowDoctor doctor, JobTarget job,
                                             std::function<bool()> jobBusy)
    : ui_(ui),
      doctor_(std::move(doctor)),
      job_(std::move(job)),
      jobBusy_(std::move(jobBusy)),
      self_(std::make_shared<DoctorDialogPresenter*>(this)) {}

DoctorDialogPresenter::~DoctorDialogPresenter() {
  *self_ = nullptr;  // a result still queued in the sink finds nobody
  if (worker_.joinable()) worker_.join();
}

void DoctorDialogPresenter::FormShow(DoctorDialogView& view) {
  view_ = &view;
  if (running_) {
    Show(text::kDoctorRunning, false);
  } else {
    RunAgain();
  }
}

void DoctorDialogPresenter::RunAgain() {
  if (running_) return;
  if (!doctor_) {
    Show(text::kDoctorSimulated, false);
    return;
  }
  // The doctor opens the job's port: never under a running job.
  if (jobBusy_ && jobBusy_()) {
    Show(text::kDoctorJobRunning, true);
    return;
  }
  if (worker_.joinable()) worker_.join();  // the last check has posted its result: it is ending
  std::weak_ptr<DoctorDialogPresenter*> owner = self_;
  try {
    worker_ = std::thread([doctor = doctor_, job = job_, &ui = ui_, owner] {
      std::string text;
      try {
        text = DoctorText(doctor(job));
      } catch (const std::exception& error) {
        text = std::string(text::kDoctorFailed) + error.what();
      }
      // Runs on the UI thread, where the presenter is destroyed too: the lock cannot race it.
      ui.Post([owner, text = std::move(text)]() mutable {
        const std::shared_ptr<DoctorDialogPresenter*> self = owner.lock();
        if (self && *self) (*self)->Finished(std::move(text));
      });
    });
  } catch (const std::system_error& error) {
    Show(std::string(text::kDoctorFailed) + error.what(), true);
    return;
  }
  running_ = true;
  Show(text::kDoctorRunning, false);
}

void DoctorDialogPresenter::Exit() {
  if (DoctorDialogView* view = std::exchange(view_, nullptr)) view->Close();
}

void DoctorDialogPresenter::Detach() {
  view_ = nullptr;
}

void DoctorDialogPresenter::Show(std::string text, bool runAgainEnabled) {
  text_ = std::move(text);
  if (!view_) return;
  view_->SetFindingsText(text_);
  view_->SetRunAgainEnabled(runAgainEnabled);
}

void DoctorDialogPresenter::Finished(std::string text) {
  running_ = false;
  Show(std::move(text), true);
}

}  // namespace quorin
