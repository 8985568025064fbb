#pragma once
// What the connection check's dialog does: runs the doctor (iap/Doctor.h) off the UI thread, shows
// "running" meanwhile and the findings as copyable text afterwards, runs it again on request, and
// never while a job holds the port. Toolkit-free; the Qt and the Win32 dialogs forward their events
// here. The presenter outlives its dialogs: a check still running when the dialog closes ends in
// the background (the port stays taken until then) and its findings are shown by the next dialog.
// Everything runs on the UI thread unless said otherwise.
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/WindowViews.h"
#include "comm/CommNotify.h"
#include "iap/Doctor.h"
#include "iap/JobTarget.h"

namespace quorin {

// The checks of a window's job port: the findings for `job`'s port (its PortName and OpenDevice),
// with their outside text made fit for a screen. Blocks up to a few seconds; any thread but one
// at a time per port. Raises std::bad_alloc only.
using WindowDoctor = std::function<DoctorResult(const JobTarget& job)>;

// The live system's doctor: the device view of this machine, then the job's port opened the way a
// job opens it and, when it opens, the controller check (identification requests only).
// `source` says where the port name comes from ("the settings file C:\\x\\Cyclomer.ini").
WindowDoctor SystemWindowDoctor(std::string source);

class DoctorDialogPresenter {
 public:
  // `ui` runs the check's result on this thread and must outlive the presenter; `doctor` runs the
  // checks on a worker (empty: there is nothing to check, as with the simulated controller);
  // `job` is what it checks; `jobBusy` tells whether a job holds the port now.
  DoctorDialogPresenter(NotifySink& ui, WindowDoctor doctor, JobTarget job,
                        std::function<bool()> jobBusy);
  // Waits for a running check (a few seconds at most).
  ~DoctorDialogPresenter();
  DoctorDialogPresenter(const DoctorDialogPresenter&) = delete;
  DoctorDialogPresenter& operator=(const DoctorDialogPresenter&) = delete;

  // The dialog is shown: it shows the running check, or starts one (RunAgain). Until Detach the
  // presenter keeps `view` and shows the findings there when they come.
  void FormShow(DoctorDialogView& view);
  // Button1: starts a check unless one runs. While a job holds the port it says so instead.
  // A worker that cannot be started is reported in the text. Raises nothing.
  void RunAgain();
  // Button2, Escape and the close box: closes the dialog (a running check goes on).
  void Exit();
  // The dialog is gone: nothing more is shown on it.
  void Detach();

  // A check runs (it may hold the port).
  bool Running() const { return running_; }
  // The text shown now (or last).
  const std::string& Text() const { return text_; }

 private:
  void Show(std::string text, bool runAgainEnabled);
  void Finished(std::string text);

  NotifySink& ui_;
  WindowDoctor doctor_;
  JobTarget job_;
  std::function<bool()> jobBusy_;
  DoctorDialogView* view_ = nullptr;
  std::string text_;
  bool running_ = false;  // UI thread only
  std::thread worker_;
  // Results posted by a worker find the presenter through this; gone with the presenter.
  std::shared_ptr<DoctorDialogPresenter*> self_;
};

}  // namespace quorin
