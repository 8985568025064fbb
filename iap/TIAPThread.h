#pragma once
// The Program command and its worker: one programming job at a time, from "Conntectting MCU...."
// to the clean-up that hides the gauge, closes the port and clears JobBusy.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <system_error>

#include "comm/CommNotify.h"
#include "comm/TComm.h"
#include "iap/ByteTrace.h"
#include "iap/JobView.h"
#include "iap/ResponseFlags.h"
#include "pack/UpdatePack.h"

namespace quorin {

// How a job ended (the CLI turns it into its exit code).
enum class JobOutcome {
  Success,        // "Programed sucessfuly"
  PortError,      // "UART Port error "
  NotIdentified,  // "MCU undentified ,try agian" ...
  Unsuccessful,   // header or a 1024-byte group not acknowledged: "Program unsucessful"
  Failed,         // no 0x04: "Program fail "
  Cancelled,      // stopped by Cancel() or by the owner going away
};

// What the last job left behind besides its log lines (read on the UI thread, from OnJobFinished on).
struct JobReport {
  JobOutcome Outcome = JobOutcome::Cancelled;
  // The first open of the job that failed: the port name tried, the component's text and the
  // system's reason (ENOENT, EACCES, EBUSY ...). Empty name when every open succeeded.
  std::string FailedPortName;
  std::string OpenErrorText;
  std::error_code OpenErrorReason;
  // CPU time the worker thread used for the whole job body.
  std::chrono::nanoseconds WorkerCpuTime{0};
};

// Where a job takes its port and baud index from. Both are called on the worker, at every open.
struct JobSettings {
  std::function<std::string()> PortName;  // e.g. "COM" + ReadUartPortSetting(path), or a device path
  std::function<int()> BaudIndex;         // ReadBaudIndexSetting(path): always 0
};

// The settings file's view of a job: "COM" + Port, baud index from ReadBaudIndexSetting.
JobSettings JobSettingsFromFile(const std::string& settingsPath);

// The stored line settings of AVS1 (CommName "COM1", Outx_XonXoffFlow off, the rest defaults).
void ApplyAvs1StoredValues(TComm& avs1);

// The receive classifier, AVS1's OnReceiveData handler: looks at no more than the first 400 bytes
// and only sets StxSeen / FdSeen / AckSeen / EotSeen. UI thread.
void AVS1ReceiveData(JobState& state, const std::uint8_t* buffer, std::uint16_t bufferLength);

// Owns the running job. Lives on the UI thread; the window (or the CLI) creates one and keeps it.
class IapProgrammer {
 public:
  // `ui` runs the view calls and AVS1's events; `avs1`, `state`, `view` must outlive this object.
  // Assigns avs1.OnReceiveData to the classifier.
  IapProgrammer(NotifySink& ui, TComm& avs1, JobState& state, JobView& view, JobSettings settings);
  // Cancels a running job (its pauses end at once, nothing more is sent, the port is closed) and
  // waits for its worker, so nothing the worker uses is gone while it runs.
  ~IapProgrammer();
  IapProgrammer(const IapProgrammer&) = delete;
  IapProgrammer& operator=(const IapProgrammer&) = delete;

  // Btn_SendToControllerClick without the widgets. UI thread. Clears the log; while JobBusy is set
  // does nothing more and returns false. Otherwise shows the update-kind text, sets BlockPacing,
  // sets JobBusy, copies `pack` and starts one worker; returns true.
  // Raises std::runtime_error("Thread creation error: ...") with JobBusy back at 0 when no thread.
  bool Btn_SendToControllerClick(const PackRecords& pack);

  // Any thread: ask a running job to stop sending and clean up now (Ctrl-C, window closing).
  void Cancel();

  // Runs on the UI thread after a job's last step (JobBusy already 0), with its outcome.
  std::function<void(JobOutcome)> OnJobFinished;

  // UI thread: the report of the job that finished last (its Outcome is Cancelled before any job).
  // Updated just before OnJobFinished runs.
  const JobReport& LastJobReport() const;

  // UI thread, while no job runs: sees every byte sent and received from the next job on
  // (an empty function switches it off). See ByteTrace.h for the threads it is called on.
  void SetTrace(ByteTrace trace);

 private:
  struct Impl;
  std::shared_ptr<Impl> impl_;
};

}  // namespace quorin
