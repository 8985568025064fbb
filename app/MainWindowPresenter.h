#pragma once
// What the main window does: Read Pack, Program, the job's log and gauge, the error boxes and the
// port dialog. Toolkit-free: the Qt window (app/qt/) and the Win32 window (app/win32/) lay out
// their widgets and forward every event here; neither decides anything about packs, jobs or
// settings. Everything runs on the UI thread unless said otherwise.
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/DoctorDialogPresenter.h"
#include "app/PortDialogPresenter.h"
#include "app/WindowViews.h"
#include "comm/CommNotify.h"
#include "iap/JobReport.h"
#include "iap/JobSession.h"
#include "iap/JobTarget.h"
#include "iap/JobView.h"

namespace quorin {

struct PresenterOptions {
  std::string SettingsPath;                      // the settings file (SettingsFilePath())
  JobTarget Job = JobTarget::FixedPort("COM1");  // where a job opens its port
  std::string CaptionSuffix;                     // appended to the caption, e.g. for the simulator
  std::function<std::vector<ListedPort>()> Ports;  // what the system says about port numbers now
  std::string ApplicationTitle;                    // caption of error boxes (ApplicationTitle())
  // The connection check of Job's port, run on a worker; empty: nothing to check (simulated).
  WindowDoctor Doctor;
};

// The application's title from the executable's path ('/' or '\\' separated): the file name up
// to its first ".", the first letter as it is and every later ASCII letter in lower case
// ("/usr/bin/quorin-iap" -> "quorin-iap", "C:\\Tools\\Quorin-IAP.exe" -> "Quorin-iap"). Pure.
std::string ApplicationTitle(const std::string& executablePath);

// The error box text: the error's text with a full stop appended unless it ends with one. Pure.
std::string ErrorBoxText(const char* what);
// The error box text of what was raised: its text, or "Unexpected error." for what is no
// std::exception. Pure.
std::string ErrorBoxText(const std::exception_ptr& error);

// True for exactly one dropped local file whose name ends in ".pack" (any case). Pure.
bool IsDroppablePack(const std::vector<std::string>& paths);

// What the window shows beside the log after the job of `report`: the open failure's advice
// (OpenFailureAdvice), and after a job whose port did not open or whose loader never answered,
// a pointer at Uart > Connection check below it. Empty after the other jobs. Pure.
std::string JobAdvice(const JobReport& report);

class MainWindowPresenter final : public JobView {
 public:
  // Builds the job session (AVS1 with its stored values, the pack records) posting the job's
  // view calls through `sink` (which must run them on this UI thread). Shows the start state:
  // Program disabled until a pack was read, gauge hidden.
  MainWindowPresenter(MainWindowView& view, NotifySink& sink, PresenterOptions options);
  // Cancels a running job and waits for its worker. The view's sink must stop running tasks
  // before the view goes (the worker may still post while it winds down).
  ~MainWindowPresenter() override = default;
  MainWindowPresenter(const MainWindowPresenter&) = delete;
  MainWindowPresenter& operator=(const MainWindowPresenter&) = delete;

  // The window caption, with the suffix.
  std::string Caption() const;

  // Btn_ReadUserPackClick: asks for a file, then ReadPackFile. Raises nothing.
  void ReadPackClicked();
  // Read Pack's steps for a known path (start-up argument, drop); errors shown in a box.
  void OpenPack(const std::string& path);
  // Files dropped on the window: OpenPack when IsDroppablePack.
  void FilesDropped(const std::vector<std::string>& paths);
  // Btn_SendToControllerClick: clears the log and starts a job unless one runs. While the
  // connection check holds the port it starts none and says so in a warning box. Raises nothing.
  void ProgramClicked();
  // UartPort1Click: the port dialog, created and destroyed per use. Raises nothing.
  void UartPortClicked();
  // Uart > Connection check: the doctor's dialog (its presenter lives as long as this one, so a
  // check outlasts its dialog). Raises nothing.
  void ConnectionCheckClicked();

  // The default error handler: `error` in an error box owned by the main window, captioned with
  // the application's title. For what no handler caught.
  void ShowError(const std::exception_ptr& error);

  // After a job's last step (JobBusy already 0). For tests and the simulator's report.
  std::function<void(JobOutcome)> OnJobFinished;

  const JobSession& Session() const { return *session_; }
  // The dialog presenter while the port dialog is shown, else null.
  PortDialogPresenter* F_UartSet() const { return uartSet_; }
  DoctorDialogPresenter& ConnectionCheck() { return *doctor_; }

  // JobView: the job's calls, carried out on the UI thread.
  QUORIN_JOB_VIEW_OVERRIDES

 private:
  // Raises EInOutError when the file cannot be read; the window then stays as it was.
  void ReadPackFile(const std::string& path);
  template <class Handler>
  void Guarded(Handler&& handler);

  MainWindowView& view_;
  PresenterOptions options_;
  // Destroyed in reverse order: the doctor's check first (it asks the session), then the session
  // (its job cancelled and its worker waited for).
  std::unique_ptr<JobSession> session_;
  PortDialogPresenter* uartSet_ = nullptr;
  std::unique_ptr<DoctorDialogPresenter> doctor_;
  std::uint32_t gaugeMaximum_ = 1000;
};

}  // namespace quorin
