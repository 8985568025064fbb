#pragma once
// JobSession: what the desktop program keeps for its whole life, in one object that the window,
// the command line, the end-to-end tests and the benchmarks each make once: the serial port AVS1
// with its stored line settings, the response flags and JobBusy, the pack records that Read Pack
// fills, and the programming job that runs on a worker of its own.
//
// Threads: every member is called on the UI thread (the thread that runs `ui`), except Cancel.
#include <functional>
#include <memory>
#include <string>

#include "comm/CommNotify.h"
#include "comm/TComm.h"
#include "iap/ByteTrace.h"
#include "iap/JobReport.h"
#include "iap/JobState.h"
#include "iap/JobTarget.h"
#include "iap/JobView.h"
#include "iap/PackJudgement.h"
#include "pack/UpdatePack.h"

namespace quorin {

class JobSession {
 public:
  // `ui` runs the view calls and AVS1's events; `view` shows the job. Both must outlive the
  // session. Creates AVS1 closed, with its stored values (CommName "COM1", Outx_XonXoffFlow off),
  // and sets its OnReceiveData to the receive classifier; every job opens `target`. The pack
  // records start all zero.
  JobSession(NotifySink& ui, JobView& view, JobTarget target);
  // Cancels a running job (its pauses end at once, nothing more is sent), waits for its worker,
  // then closes AVS1. Calls of the job still queued in `ui` find the session gone and do nothing.
  ~JobSession();
  JobSession(const JobSession&) = delete;
  JobSession& operator=(const JobSession&) = delete;

  // Read Pack without the widgets: loads the file at `path` into the pack records and judges it.
  // Raises EInOutError when the file cannot be read; the records are then unchanged. A running job
  // is not affected: it sends the copy it took when it started.
  PackVerdict ReadPack(const std::string& path);
  // How the decoding of the last ReadPack ended (which check a broken pack failed); Ok before any.
  PackDecodeResult LastReadResult() const;
  // Takes `records` as the pack read last (packs built in memory by the tests and benchmarks).
  void UsePack(const PackRecords& records);
  const PackRecords& Pack() const;

  // The Program command without the widgets: clears the log; while JobBusy is set does nothing
  // more and returns false. Otherwise shows the update-kind text, sets BlockPacing from the baud
  // index, sets JobBusy and starts one worker on a copy of the pack records; returns true.
  // Raises std::runtime_error("Thread creation error: ...") with JobBusy back at 0 when the
  // worker cannot be started.
  bool StartJob();
  // Any thread: asks a running job to stop sending and clean up now (Ctrl-C, window closing).
  void Cancel();

  // Runs on the UI thread after a job's last step (JobBusy already 0), with its outcome.
  std::function<void(JobOutcome)> OnJobFinished;
  // The report of the job that finished last (Outcome Cancelled before any job). Updated just
  // before OnJobFinished runs.
  const JobReport& LastJobReport() const;

  // While no job runs: sees every byte sent and received from the next job on (an empty function
  // switches it off). See ByteTrace.h for the threads it is called on.
  void SetTrace(ByteTrace trace);

  const JobState& State() const;
  // AVS1, for whoever must know whether the port is open.
  const TComm& Avs1() const;

 private:
  struct Impl;
  std::shared_ptr<Impl> impl_;
};

}  // namespace quorin
