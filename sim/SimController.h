#pragma once
// SimController: the simulated controller on the far end of a line (a pseudo-terminal or the
// in-memory loopback line, see ControllerLine.h). It plays the
// controller's running application (which takes only a valid restart frame at 9600 baud and then
// starts the loader) and its IAP loader (which answers 0x02 with 0x02 0xFD, the header frame and
// every 1024 data bytes with 0x06, and gives 0x04 once all blocks are in and the firmware matches
// DataSum), optionally with one of the fault scenarios of SimOptions. It serves job after job:
// after each verdict (or an abandoned session) it returns to its starting role.
//
// Usage: construct (on a new pseudo-terminal, or on a line given), Start(), let the tool open
// SlavePath() (or the loopback's job end), then
// read Report() or wait with WaitForVerdicts / WaitFor; Stop() or destroy.
//
// Threads: every public function may be called from any thread; the controller runs on one thread
// of its own between Start and Stop. The destructor stops it.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sim/ControllerLine.h"
#include "sim/ControllerLogic.h"
#include "sim/SimOptions.h"
#include "sim/SimReport.h"

namespace quorin::sim {

class SimController {
 public:
  // On a new pseudo-terminal (POSIX only). Raises std::system_error when the system has none to
  // give.
  explicit SimController(SimOptions options = {});
  // On `line` (not null), which the controller owns from now on.
  SimController(SimOptions options, std::unique_ptr<ControllerLine> line);
  ~SimController();
  SimController(const SimController&) = delete;
  SimController& operator=(const SimController&) = delete;

  // Starts the controller's thread. Raises std::system_error when the thread or its wake-up pipe
  // cannot be created. Calling it again while running does nothing.
  void Start();
  // Stops and joins the thread; the line stays open (or pulled) as it is. Harmless when stopped.
  void Stop();

  // The serial device the tool opens ("/dev/pts/N"); empty on a line without a device name.
  const std::string& SlavePath() const { return slavePath_; }
  const SimOptions& Options() const { return options_; }

  // A copy of everything recorded so far.
  SimReport Report() const;
  // Forgets what was recorded (the controller's state is kept).
  void ClearReport();
  // Removes the loader sessions that have ended from the report and returns them, oldest first,
  // so that a long-running controller does not keep every job's firmware.
  std::vector<LoaderSession> TakeEndedSessions();

  // Blocks until `done(report)` holds or `timeout` passed; true when it held. `done` runs under
  // the controller's lock: keep it short and do not call back into this object.
  bool WaitFor(const std::function<bool(const SimReport&)>& done,
               std::chrono::milliseconds timeout) const;
  // Blocks until at least `count` verdicts (0x04, or the burst in its place) were written.
  bool WaitForVerdicts(std::size_t count, std::chrono::milliseconds timeout) const;

 private:
  void Run();
  void CarryOut(std::vector<SimAction> actions);

  const SimOptions options_;
  const std::unique_ptr<ControllerLine> line_;  // used by the controller's thread while it runs
  const std::string slavePath_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  ControllerLogic logic_;  // guarded by mutex_
  std::mutex lifecycle_;   // serialises Start and Stop
  std::thread thread_;
  std::atomic<bool> stopping_{false};  // set by Stop before it wakes the controller's thread
};

}  // namespace quorin::sim
