#pragma once
// TIAPThread: the body of one programming job, from "Conntectting MCU...." to the clean-up that
// hides the gauge and closes the port. It runs on the job's worker thread; JobSession starts it.
#include "iap/IapProtocol.h"
#include "iap/JobReport.h"

namespace quorin {

class TIAPThread {
 public:
  explicit TIAPThread(IapLink link) : link_(link), protocol_(link) {}

  // Worker thread. Runs the body and the clean-up (gauge hidden, port closed) on every path and
  // returns how the job ended. Leaves JobBusy to the caller, which clears it as the very last step.
  JobOutcome Execute();

  const IapProtocol& Protocol() const { return protocol_; }

 private:
  JobOutcome Body();
  void CleanUp();
  void Log(const char* line) { link_.View.AddLogLine(line); }
  bool Cancelled() const { return link_.Control.Cancelled(); }

  IapLink link_;
  IapProtocol protocol_;
};

}  // namespace quorin
