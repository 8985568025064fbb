#pragma once
// The controller's behaviour without any I/O: the running application and the IAP loader as one
// state machine fed with received bytes and the clock, producing timed line actions and the report.
// Not thread-safe: one owner calls it (SimController does so under its lock).
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <vector>

#include "sim/SimOptions.h"
#include "sim/SimReport.h"

namespace quorin::sim {

// Something the controller wants done on the line at `due`.
struct SimAction {
  enum class Kind { Write, PullCable };
  Kind Type = Kind::Write;
  SimClock::time_point Due;
  std::vector<std::uint8_t> Bytes;
  bool Verdict = false;  // the job's verdict (0x04, or the burst sent in its place)
};

enum class SimRole { Application, Loader };

class ControllerLogic {
 public:
  explicit ControllerLogic(SimOptions options);

  // Bytes read from the line at `now`, while the tool's side of the line was set to `baud`.
  void OnReceived(SimClock::time_point now, std::uint32_t baud, const std::uint8_t* data,
                  std::size_t size);
  // Runs the timers (loader start, abandoned session) due at `now`.
  void Tick(SimClock::time_point now);
  // The earliest moment at which Tick or TakeDue has something to do; nullopt: nothing pending.
  std::optional<SimClock::time_point> NextDue() const;
  // Removes and returns the actions due at `now`, oldest first.
  std::vector<SimAction> TakeDue(SimClock::time_point now);
  // Records how an action taken from TakeDue went: `written` bytes reached the line.
  void OnCarriedOut(const SimAction& action, SimClock::time_point at, std::size_t written);

  const SimReport& Report() const { return report_; }
  // Forgets what was recorded; a session still running stays, so that it can go on.
  void ClearReport();
  // Removes the sessions that have ended from the report and returns them, oldest first.
  std::vector<LoaderSession> TakeEndedSessions();
  SimRole Role() const { return role_; }

 private:
  enum class Phase { Listening, Identifying, Identified, Header, Data, Checking };

  void ApplicationBytes(SimClock::time_point now, std::uint32_t baud, const std::uint8_t* data,
                        std::size_t size);
  void RestartFrameByte(SimClock::time_point now, std::uint32_t baud, std::uint8_t byte);
  void LoaderByte(SimClock::time_point now, std::uint8_t byte);
  void IdentificationRequest(SimClock::time_point now);
  void HeaderComplete(SimClock::time_point now);
  void DataByte(SimClock::time_point now, std::uint8_t byte);
  void GroupComplete(SimClock::time_point now, unsigned group);
  void DataComplete(SimClock::time_point now);
  void EndSession(SessionEnd how);
  // SimOptions::lastJobOnly: drops the report's sessions before the last and its oldest records.
  void ForgetEarlierJobs();
  void Schedule(SimClock::time_point due, std::vector<std::uint8_t> bytes, bool verdict = false);
  void Violation(std::string text);
  // Puts a received firmware into options_.FirmwareOutputPath; a failure is a violation.
  void WriteFirmwareOut(const std::vector<std::uint8_t>& firmware);
  LoaderSession& Session() { return report_.Sessions.back(); }
  std::uint8_t NoiseByte();

  SimOptions options_;
  SimReport report_;
  SimRole role_;
  Phase phase_ = Phase::Listening;
  std::deque<SimAction> actions_;  // kept in due order
  std::optional<SimClock::time_point> loaderStart_;
  std::optional<RestartFrameFields> acceptedFrame_;  // the frame that started this loader
  SimClock::time_point lastActivity_{};
  // Restart frame being assembled from bytes at the application's speed.
  std::vector<std::uint8_t> restartBytes_;
  SimClock::time_point lastRestartByte_{};
  // Header and data of the current session.
  std::array<std::uint8_t, kHeaderFrameSize> header_{};
  std::size_t headerFill_ = 0;
  SimClock::time_point headerDone_{};
  std::optional<SimClock::time_point> headerAckDue_;
  std::size_t expectedData_ = 0;
  std::optional<SimClock::time_point> lastAckDue_;  // of the group the last byte closed
  std::mt19937 random_;
};

}  // namespace quorin::sim
