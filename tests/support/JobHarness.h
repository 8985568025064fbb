#pragma once
// End-to-end harness: the real JobSession (its TComm on the slave side of a pseudo-terminal, or on
// the job's end of an in-memory loopback line), the simulated controller on the other side, and
// the headless event loop on the test's thread as the UI thread. RecordingView is the window's
// stand-in: it keeps every call with the time it was carried out.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/EventLoop.h"
#include "comm/TComm.h"
#include "iap/JobSession.h"
#include "iap/JobView.h"
#include "pack/PackWriter.h"
#include "pack/UpdatePack.h"
#include "sim/InProcessController.h"
#include "sim/SimController.h"

namespace quorin::e2e {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct ViewEvent {
  enum Kind { Clear, Line, UpdateKind, Visible, Maximum, Progress } Type;
  std::string Text;
  std::uint32_t Value = 0;
  Clock::time_point At;
};

class RecordingView final : public JobView {
 public:
  void ClearLog() override { Add({ViewEvent::Clear, {}, 0, {}}); }
  void AddLogLine(const std::string& line) override { Add({ViewEvent::Line, line, 0, {}}); }
  void SetUpdateKindText(const std::string& text) override {
    Add({ViewEvent::UpdateKind, text, 0, {}});
  }
  void SetGaugeVisible(bool visible) override { Add({ViewEvent::Visible, {}, visible, {}}); }
  void SetGaugeMaximum(std::uint32_t maximum) override {
    Add({ViewEvent::Maximum, {}, maximum, {}});
  }
  void SetGaugeProgress(std::uint32_t progress) override {
    Add({ViewEvent::Progress, {}, progress, {}});
  }

  // The log as the window shows it: the lines added since the last clearing.
  std::vector<std::string> Lines() const;
  // When `line` was added last (nullopt when never).
  std::optional<Clock::time_point> LineTime(const std::string& line) const;
  const std::vector<ViewEvent>& Events() const { return events_; }
  void Forget() { events_.clear(); }

 private:
  void Add(ViewEvent event) {
    event.At = Clock::now();
    events_.push_back(std::move(event));
  }
  std::vector<ViewEvent> events_;
};

// What one job left behind.
struct JobRun {
  bool finished = false;
  JobOutcome outcome = JobOutcome::Cancelled;
  Clock::time_point clicked;
  Clock::time_point finishedAt;
  std::uint8_t jobBusyAtFinish = 1;
  bool portOpenAtFinish = true;
  JobReport report;
  std::chrono::duration<double> Duration() const { return finishedAt - clicked; }
};

// A decoded pack of `firmware` as the loader would leave it.
std::unique_ptr<PackRecords> MakePack(const std::vector<std::uint8_t>& firmware,
                                      std::uint16_t version = 6400,
                                      std::uint8_t updateKind = kUpdateKindSoftwareAndSettings);
// `size` bytes of fixed pseudo-random firmware.
std::vector<std::uint8_t> MakeFirmware(std::size_t size, std::uint32_t seed = 7);

// The line between the job and the simulated controller.
enum class HarnessLine { Pty, Loopback };

class JobHarness {
 public:
  // Starts the simulated controller; the job's port is its pseudo-terminal unless `portName` is
  // given. On HarnessLine::Loopback the port is the loopback line's job end, named "simulated"
  // (`portName` is then not used). The job's settings file holds Port=7 and BaudRate=2, so the
  // baud index read is still 0.
  explicit JobHarness(sim::SimOptions options = {}, std::optional<std::string> portName = {},
                      HarnessLine line = HarnessLine::Pty);
  ~JobHarness();

  // Presses Program with `pack` and runs the loop until the job has finished (or `timeout`).
  JobRun Run(const PackRecords& pack, std::chrono::milliseconds timeout = 60s);
  // Presses Program without running the loop; returns what the press returned.
  bool Press(const PackRecords& pack);
  // Runs the loop until the job that was started last has finished.
  JobRun Finish(std::chrono::milliseconds timeout = 60s);
  // Runs the loop until `done()` (checked after every task) or `timeout`.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 30s);

  sim::SimController& Sim() { return inProcess_ ? inProcess_->Controller() : *onPty_; }
  RecordingView& View() { return view_; }
  const JobState& State() const { return session_->State(); }
  const TComm& Avs1() const { return session_->Avs1(); }
  JobSession& Session() { return *session_; }
  EventLoop& Loop() { return loop_; }
  // Destroys the session now (as a closing window would).
  void DropSession() { session_.reset(); }

 private:
  std::unique_ptr<sim::InProcessController> inProcess_;  // on HarnessLine::Loopback
  std::unique_ptr<sim::SimController> onPty_;            // on HarnessLine::Pty
  std::filesystem::path settingsDir_;
  EventLoop loop_;
  RecordingView view_;
  std::unique_ptr<JobSession> session_;
  JobRun current_;
};

}  // namespace quorin::e2e
