#pragma once
// The command line's JobView: the job's log lines on one stream (stdout), one per line, exactly as
// the window's log shows them; the gauge as a progress bar (percent, bytes, rate, time left) on
// another stream (stderr), only when that stream is a terminal and only once the job has told the
// size it sends (SetGaugeMaximum). It keeps the log lines for the JSON summary. Runs on the loop's
// thread.
// A log stream that fails (stdout piped into `head`) is given up, never the job.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "iap/JobView.h"

namespace quorin {

class ConsoleView final : public JobView {
 public:
  // `log` receives the log lines; `bar` (may be null: no bar) the progress bar. Neither is owned.
  ConsoleView(std::FILE* log, std::FILE* bar);
  ~ConsoleView() override;

  QUORIN_JOB_VIEW_OVERRIDES

  // True once a log line could not be written (a closed pipe: EPIPE, a full disk ...). From then
  // on no more log lines are written; the job goes on to its own end.
  bool LogLost() const { return logLost_; }
  // Every log line of the job so far, written or not.
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  using Clock = std::chrono::steady_clock;
  void Draw(bool force);
  void Erase();

  std::FILE* log_;
  std::FILE* bar_;
  std::vector<std::string> lines_;
  bool logLost_ = false;
  bool visible_ = false;
  bool drawn_ = false;
  bool sizeKnown_ = false;      // SetGaugeMaximum was called since the gauge was last hidden
  std::size_t drawnWidth_ = 0;  // columns the bar on the screen takes (its text, all ASCII)
  std::uint32_t maximum_ = 0;
  std::uint32_t progress_ = 0;
  Clock::time_point started_ = Clock::now();
  Clock::time_point lastDraw_{};
};

}  // namespace quorin
