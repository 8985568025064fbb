// The programming job end to end: every path of the job body, checked by its exact log lines and
// by what the simulated controller received.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <mutex>
#include <ostream>
#include <thread>

#include "iap/Frames.h"
#include "tests/support/JobExpectations.h"
#include "tests/support/JobHarness.h"

namespace quorin::e2e {
namespace {

const Lines kRestartedLines = {"Conntectting MCU....", "MCU Restarting...", "Programing...",
                               "Programed sucessfuly"};

// What the job is given to program.
struct PackSource {
  enum Kind { Built, NoneRead, BareHeader } Type = Built;
  std::size_t size = 0;  // the firmware's bytes (Built) or the header's DataLength (BareHeader)
  std::uint8_t updateKind = kUpdateKindSoftwareAndSettings;
};
PackSource Firmware(std::size_t bytes, std::uint8_t updateKind = kUpdateKindSoftwareAndSettings) {
  return {PackSource::Built, bytes, updateKind};
}
// Program pressed before any pack was read: all-zero records.
PackSource NoPackRead() {
  return {PackSource::NoneRead, 0, 0};
}
// Records holding nothing but a header's DataLength, as no loaded pack can have.
PackSource BareHeader(std::uint32_t dataLength) {
  return {PackSource::BareHeader, dataLength, 0};
}

// Everything a row's own check may look at once the job has finished.
struct JobFacts {
  const JobRun& run;
  const sim::SimReport& report;
  const RecordingView& view;
  const PackRecords& pack;
  const std::vector<std::uint8_t>& Firmware;  // empty unless the pack was built from firmware
};

struct JobCase {
  std::string name;
  sim::SimOptions options{};
  std::optional<std::string> portName{};  // the simulator's terminal when not given
  PackSource pack{};
  JobOutcome outcome = JobOutcome::Success;
  Lines lines{};
  std::function<void(const JobFacts&)> check{};  // the row's own facts, when it has any
  std::chrono::duration<double> atLeast{0s};     // from the press to the finish
  std::chrono::duration<double> below{45s};
};
void PrintTo(const JobCase& c, std::ostream* out) {
  *out << c.name;
}

sim::SimOptions Scenario(sim::SimScenario scenario, unsigned group = 1) {
  sim::SimOptions options;
  options.Scenario = scenario;
  options.Group = group;
  return options;
}

// The gauge: shown at progress 0 before the first line, maximum DataLength, never going back,
// full at the end; the update-kind text set at the press.
void ExpectHappyGauge(const RecordingView& view, std::uint32_t dataLength, std::uint32_t blocks) {
  const auto& ev = view.Events();
  const auto firstVisible = std::find_if(
      ev.begin(), ev.end(), [](const ViewEvent& e) { return e.Type == ViewEvent::Visible; });
  ASSERT_NE(firstVisible, ev.end());
  EXPECT_EQ(firstVisible->Value, 1u);
  const auto firstLine = std::find_if(ev.begin(), ev.end(),
                                      [](const ViewEvent& e) { return e.Type == ViewEvent::Line; });
  EXPECT_LT(firstVisible, firstLine);
  const auto maximum = std::find_if(
      ev.begin(), ev.end(), [](const ViewEvent& e) { return e.Type == ViewEvent::Maximum; });
  ASSERT_NE(maximum, ev.end());
  EXPECT_EQ(maximum->Value, dataLength);
  std::uint32_t lastProgress = 0;
  for (const ViewEvent& e : ev) {
    if (e.Type == ViewEvent::Progress) {
      EXPECT_GE(e.Value, lastProgress) << "progress went back";
      lastProgress = e.Value;
    }
  }
  EXPECT_EQ(lastProgress, blocks * 16u);
}

// The update-kind text shown at the press, right after the log was emptied.
void ExpectUpdateKindText(const RecordingView& view, const std::string& text) {
  const auto& ev = view.Events();
  ASSERT_GE(ev.size(), 2u);
  EXPECT_EQ(ev[0].Type, ViewEvent::Clear);
  EXPECT_EQ(ev[1].Type, ViewEvent::UpdateKind);
  EXPECT_EQ(ev[1].Text, text);
}

const std::vector<JobCase> kJobCases = {
    {.name = "HappyPathProgramsTheFirmware",
     .pack = Firmware(3000),
     .outcome = JobOutcome::Success,
     .lines = kHappyLines,
     .check =
         [](const JobFacts& f) {
           EXPECT_TRUE(f.report.Violations.empty()) << f.report.Violations.front();
           EXPECT_TRUE(f.report.RestartFrames.empty());
           const sim::LoaderSession& s = *f.report.LastSession();
           EXPECT_EQ(s.IdentificationRequests, 1u);
           ASSERT_TRUE(s.Header);
           EXPECT_EQ(s.Header->Fields.DataLength, 3000u);
           EXPECT_EQ(s.Header->Fields.DataSum, f.pack.Header.DataSum());
           EXPECT_EQ(s.Header->Fields.WireKey, 0x5A);
           EXPECT_EQ(s.Header->Fields.BaudIndex, 0);  // the stored BaudRate=2 is never read back
           EXPECT_EQ(s.Blocks, 188u);
           EXPECT_TRUE(s.SumMatched);
           ExpectHappyGauge(f.view, 3000, 188);
           ExpectUpdateKindText(f.view, "Update software + settings");
         }},
    // The first connect sends six requests to the application, which ignores them; "MCU
    // Restarting..." comes after the frame, and the reconnect waits 1.5 s after that line.
    {.name = "ControllerRunningItsApplicationIsRestarted",
     .options = Scenario(sim::SimScenario::ApplicationFirst),
     .pack = Firmware(1500, 0x00),
     .outcome = JobOutcome::Success,
     .lines = kRestartedLines,
     .check =
         [](const JobFacts& f) {
           ASSERT_EQ(f.report.RestartFrames.size(), 1u);
           const sim::RestartFrameRecord& frame = f.report.RestartFrames.front();
           EXPECT_TRUE(frame.Problems.empty());
           EXPECT_TRUE(frame.Accepted);
           EXPECT_EQ(frame.Baud, 9600u);
           EXPECT_EQ(frame.Fields.KindLetter, 0x77);
           EXPECT_EQ(frame.Fields.DataLength, 1500u);
           EXPECT_EQ(frame.Fields.DataSum, f.pack.Header.DataSum());
           EXPECT_EQ(frame.Fields.WireKey, 0x5A);
           EXPECT_EQ(frame.Fields.Version, 6400);
         },
     .atLeast = 0.2s + 6 * 0.5s + 0.2s + 0.5s + 1.5s + 0.2s + 0.51s + 0.6s,
     .below = 30s},
    // 200 ms after the open, then the 0.6 s clean-up; nothing reaches the controller.
    {.name = "MissingPortGivesUartPortErrorAndNothingElse",
     .portName = "/dev/quorin-no-such-port",
     .pack = Firmware(64),
     .outcome = JobOutcome::PortError,
     .lines = {"Conntectting MCU....", "UART Port error "},
     .check =
         [](const JobFacts& f) {
           ASSERT_TRUE(f.run.report.OpenFailure);
           EXPECT_EQ(f.run.report.OpenFailure->PortName, "/dev/quorin-no-such-port");
           EXPECT_EQ(f.run.report.OpenFailure->Reason, std::errc::no_such_file_or_directory);
           EXPECT_FALSE(f.run.report.OpenFailure->Text.empty());
           const auto lastLine = f.view.LineTime("UART Port error ");
           ASSERT_TRUE(lastLine);
           EXPECT_LT(f.run.finishedAt - *lastLine, 5s);
           EXPECT_EQ(f.report.BytesReceived, 0u);
         },
     .atLeast = 0.8s,
     .below = 10s},
    {.name = "UnansweredHeaderSendsNoBlock",
     .options = Scenario(sim::SimScenario::NoHeaderAck),
     .pack = Firmware(2048),
     .outcome = JobOutcome::Unsuccessful,
     .lines = kAbortedLines,
     .check =
         [](const JobFacts& f) {
           const auto programming = f.view.LineTime("Programing...");
           const auto aborted = f.view.LineTime("Program unsucessful");
           ASSERT_TRUE(programming && aborted);
           EXPECT_GT(*aborted - *programming, 900ms);  // 10 ms + the header's fixed 500 ms + 500 ms
           EXPECT_LT(*aborted - *programming, 5s);
           ASSERT_NE(f.report.LastSession(), nullptr);
           EXPECT_TRUE(f.report.LastSession()->Header.has_value());
           EXPECT_EQ(f.report.LastSession()->DataBytes, 0u);
         }},
    {.name = "NoPackReadSendsZeroHeaderAndNoBlocks",
     .pack = NoPackRead(),
     .outcome = JobOutcome::Success,
     .lines = kHappyLines,
     .check =
         [](const JobFacts& f) {
           ASSERT_TRUE(f.report.LastSession()->Header);
           const std::array<std::uint8_t, 12> zeroHeader = {0xFF, 0xFF, 0, 0, 0, 0,
                                                            0,    0,    0, 0, 0, 0};
           EXPECT_EQ(f.report.LastSession()->Header->Bytes, zeroHeader);
           EXPECT_EQ(f.report.LastSession()->DataBytes, 0u);
           ExpectUpdateKindText(f.view, "Update software only");
         }},
    {.name = "NoPackReadRestartFrameCarriesKindWAndZeroFields",
     .options = Scenario(sim::SimScenario::ApplicationFirst),
     .pack = NoPackRead(),
     .outcome = JobOutcome::Success,
     .lines = kRestartedLines,
     .check =
         [](const JobFacts& f) {
           ASSERT_EQ(f.report.RestartFrames.size(), 1u);
           const std::array<std::uint8_t, 21> expected = {0xF2, 0x4C, 0x3B, 0x3B, 0x3B, 0x3B, 0x3B,
                                                          0x3B, 0x3B, 0x3B, 0x3B, 0x3B, 0x3B, 0x3B,
                                                          0x3A, 0x3B, 0x3B, 0x3B, 0x1A, 0x4B, 0xB8};
           EXPECT_EQ(f.report.RestartFrames.front().Masked, expected);
         }},
    // A header no loaded pack can have: its blocks would run past the 131072-byte image. The job
    // refuses to read there and fails the data phase before any block goes out, even to a loader
    // that would take it.
    {.name = "DataLengthPastTheImageFailsTheDataPhaseWithoutSending",
     .options =
         [] {
           sim::SimOptions options;
           options.Capacity = 0xFFFFFFFFu;
           return options;
         }(),
     .pack = BareHeader(131025),
     .outcome = JobOutcome::Unsuccessful,
     .lines = kAbortedLines,
     .check =
         [](const JobFacts& f) {
           ASSERT_NE(f.report.LastSession(), nullptr);
           ASSERT_TRUE(f.report.LastSession()->Header);
           EXPECT_EQ(f.report.LastSession()->Header->Fields.DataLength, 131025u);
           EXPECT_EQ(f.report.LastSession()->DataBytes, 0u);
         }},
    {.name = "NoVerdictEndsWithProgramFail",
     .options = Scenario(sim::SimScenario::NoVerdict),
     .pack = Firmware(1040),
     .outcome = JobOutcome::Failed,
     .lines = kFailLines,
     .check =
         [](const JobFacts& f) {
           ASSERT_NE(f.report.LastSession(), nullptr);
           EXPECT_EQ(f.report.LastSession()->Blocks, 65u);
         }},
    {.name = "SplitIdentificationNeedsNoFourthRequest",
     .options = Scenario(sim::SimScenario::SplitIdentification),
     .pack = Firmware(500),
     .outcome = JobOutcome::Success,
     .lines = kHappyLines,
     .check =
         [](const JobFacts& f) {
           EXPECT_EQ(f.report.LastSession()->IdentificationRequests, 3u);
           EXPECT_EQ(f.report.IdentificationRequests.size(), 3u);
         }},
    {.name = "EarlyAckCountsForTheUnansweredHeader",
     .options = Scenario(sim::SimScenario::EarlyAck),
     .pack = Firmware(700),
     .outcome = JobOutcome::Success,
     .lines = kHappyLines,
     .check =
         [](const JobFacts& f) {
           ASSERT_TRUE(f.report.LastSession()->Header);
           EXPECT_FALSE(f.report.LastSession()->Header->Acknowledged);
         }},
    {.name = "VerdictPast400thByteOfABurstIsNotSeen",
     .options = Scenario(sim::SimScenario::BurstVerdict),
     .pack = Firmware(300),
     .outcome = JobOutcome::Failed,
     .lines = kFailLines,
     .check = [](const JobFacts& f) { EXPECT_EQ(f.report.VerdictsSent, 1u); }},
    // Noise between the answers is ignored: the firmware still arrives whole.
    {.name = "NoiseBetweenAnswersIsIgnored",
     .options = Scenario(sim::SimScenario::Noise),
     .pack = Firmware(5000),
     .outcome = JobOutcome::Success,
     .lines = kHappyLines},
    // The 2 s acknowledgement wait, the 0.5 s pause before the lines, the 0.6 s clean-up.
    {.name = "LostAcknowledgementStopsSendingAtThatGroup",
     .options = Scenario(sim::SimScenario::AckLost, 2),
     .pack = Firmware(5000),
     .outcome = JobOutcome::Unsuccessful,
     .lines = kAbortedLines,
     .check =
         [](const JobFacts& f) {
           ASSERT_NE(f.report.LastSession(), nullptr);
           EXPECT_EQ(f.report.LastSession()->Blocks, 128u);  // nothing after the unanswered group
           EXPECT_EQ(f.report.LastSession()->GroupsAcknowledged, 1u);
         },
     .atLeast = 0.2s + 0.51s + 2s + 0.5s + 0.6s,
     .below = 30s},
    {.name = "CablePulledMidTransferEndsCleanly",
     .options = Scenario(sim::SimScenario::CablePulled, 1),
     .pack = Firmware(4096),
     .outcome = JobOutcome::Unsuccessful,
     .lines = kAbortedLines,
     .check = [](const JobFacts& f) { EXPECT_TRUE(f.report.CablePulled); },
     .below = 30s},
};

// One job against one scenario: its outcome, its exact log lines, a clean end, its duration, a
// successful job's firmware arriving whole, and the row's own facts.
void RunJobCase(const JobCase& c, HarnessLine line) {
  JobHarness h(c.options, c.portName, line);
  std::vector<std::uint8_t> firmware;
  std::unique_ptr<PackRecords> pack;
  switch (c.pack.Type) {
    case PackSource::Built:
      firmware = MakeFirmware(c.pack.size);
      pack = MakePack(firmware, 6400, c.pack.updateKind);
      break;
    case PackSource::NoneRead:
      pack = std::make_unique<PackRecords>();
      break;
    case PackSource::BareHeader:
      pack = std::make_unique<PackRecords>();
      pack->Header.SetDataLength(static_cast<std::uint32_t>(c.pack.size));
      break;
  }
  const JobRun run = h.Run(*pack);
  EXPECT_EQ(run.outcome, c.outcome);
  EXPECT_EQ(h.View().Lines(), c.lines);
  ExpectCleanEnd(run, h.View());
  if (::testing::Test::HasFatalFailure()) return;
  EXPECT_GE(run.Duration(), c.atLeast);
  EXPECT_LT(run.Duration(), c.below);
  const sim::SimReport report = h.Sim().Report();
  if (c.outcome == JobOutcome::Success) {
    ASSERT_NE(report.LastSession(), nullptr);
    EXPECT_EQ(report.LastSession()->Firmware, firmware);
  }
  if (c.check) c.check(JobFacts{run, report, h.View(), *pack, firmware});
}
class JobEnding : public ::testing::TestWithParam<JobCase> {};
TEST_P(JobEnding, OutcomeLinesAndWhatTheControllerReceived) {
  RunJobCase(GetParam(), HarnessLine::Pty);
}
INSTANTIATE_TEST_SUITE_P(Scenarios, JobEnding, ::testing::ValuesIn(kJobCases),
                         [](const auto& info) { return info.param.name; });

// A few rows again with the job on the in-memory loopback line instead of a pseudo-terminal: the
// speed the controller sees, a long noisy transfer, and a line that goes away mid-job.
std::vector<JobCase> LoopbackCases() {
  std::vector<JobCase> rows;
  for (const JobCase& c : kJobCases) {
    if (c.name == "HappyPathProgramsTheFirmware" ||
        c.name == "ControllerRunningItsApplicationIsRestarted" ||
        c.name == "NoiseBetweenAnswersIsIgnored" || c.name == "CablePulledMidTransferEndsCleanly") {
      rows.push_back(c);
    }
  }
  return rows;
}
class JobEndingOnLoopback : public ::testing::TestWithParam<JobCase> {};
TEST_P(JobEndingOnLoopback, OutcomeLinesAndWhatTheControllerReceived) {
  RunJobCase(GetParam(), HarnessLine::Loopback);
}
INSTANTIATE_TEST_SUITE_P(Scenarios, JobEndingOnLoopback, ::testing::ValuesIn(LoopbackCases()),
                         [](const auto& info) { return info.param.name; });

// Jobs of their own shape: request timing, the trace's order, presses during a job.
TEST(JobPaths, NobodyAnswersSixRequestsPerConnectHalfASecondApart) {
  sim::SimOptions options;
  options.Scenario = sim::SimScenario::Silent;
  JobHarness h(options);
  // When the tool handed each identification request over (the controller's read times would
  // carry its own scheduling jitter).
  std::mutex mutex;
  std::vector<Clock::time_point> requests;
  h.Session().SetTrace([&](TraceDirection direction, const std::uint8_t* bytes, std::size_t n) {
    if (direction == TraceDirection::Sent && n == 1 && bytes[0] == 0x02) {
      std::lock_guard<std::mutex> lock(mutex);
      requests.push_back(Clock::now());
    }
  });
  const auto pack = MakePack(MakeFirmware(64));
  const JobRun run = h.Run(*pack);
  EXPECT_EQ(run.outcome, JobOutcome::NotIdentified);
  EXPECT_EQ(h.View().Lines(),
            (Lines{"Conntectting MCU....", "MCU Restarting...", "MCU undentified ,try agian",
                   "or IAP app version is lower", "or pack version is lower than V6400"}));
  ExpectCleanEnd(run, h.View());
  std::lock_guard<std::mutex> lock(mutex);
  ASSERT_EQ(requests.size(), 12u);
  for (std::size_t i = 1; i < 12; ++i) {
    if (i == 6) continue;  // the restart lies between the two connects
    const auto gap = requests[i] - requests[i - 1];
    EXPECT_GT(gap, 500ms) << "request " << i;
    EXPECT_LT(gap, 3s) << "request " << i;
  }
  const sim::SimReport report = h.Sim().Report();
  EXPECT_EQ(report.IdentificationRequests.size(), 12u);
  EXPECT_EQ(report.RestartFrames.size(), 1u);
  EXPECT_TRUE(report.Sessions.empty() || report.LastSession()->Header == std::nullopt);
  EXPECT_GE(run.Duration(), 0.2s + 3s + 0.7s + 1.5s + 0.2s + 3s + 0.6s);
  EXPECT_LT(run.Duration(), 40s);
}

TEST(JobPaths, TraceShowsEveryAnswerAfterTheBytesThatCausedIt) {
  JobHarness h;
  std::mutex mutex;
  std::vector<std::pair<TraceDirection, std::vector<std::uint8_t>>> trace;
  h.Session().SetTrace([&](TraceDirection direction, const std::uint8_t* bytes, std::size_t n) {
    // A trace that takes its time over a delivery (a slow disk) must still show it first.
    if (direction == TraceDirection::Received) std::this_thread::sleep_for(20ms);
    std::lock_guard<std::mutex> lock(mutex);
    trace.emplace_back(direction, std::vector<std::uint8_t>(bytes, bytes + n));
  });
  const JobRun run = h.Run(*MakePack(MakeFirmware(64)));
  ASSERT_EQ(run.outcome, JobOutcome::Success);
  ExpectCleanEnd(run, h.View());
  std::lock_guard<std::mutex> lock(mutex);
  // The loader's 0xFD makes the tool send 0x06 and the header; the trace must say so in order.
  const auto identity = std::find_if(trace.begin(), trace.end(), [](const auto& entry) {
    return entry.first == TraceDirection::Received &&
           std::find(entry.second.begin(), entry.second.end(), 0xFD) != entry.second.end();
  });
  const auto headerStart = std::find_if(trace.begin(), trace.end(), [](const auto& entry) {
    return entry.first == TraceDirection::Sent && entry.second == std::vector<std::uint8_t>{0x06};
  });
  ASSERT_NE(identity, trace.end());
  ASSERT_NE(headerStart, trace.end());
  EXPECT_LT(identity, headerStart);
}

TEST(JobPaths, PressDuringAJobEmptiesTheLogAndStartsNoSecondJob) {
  JobHarness h;
  const auto firmware = MakeFirmware(8192);
  const auto pack = MakePack(firmware);
  ASSERT_TRUE(h.Press(*pack));
  ASSERT_TRUE(h.RunUntil([&] { return h.View().LineTime("Programing...").has_value(); }));
  ASSERT_TRUE(h.RunUntil([&] {
    const auto& ev = h.View().Events();
    return !ev.empty() && ev.back().Type == ViewEvent::Progress && ev.back().Value >= 1024;
  }));
  EXPECT_FALSE(h.Press(*pack));
  EXPECT_TRUE(h.View().Lines().empty());
  const JobRun run = h.Finish();
  EXPECT_EQ(run.outcome, JobOutcome::Success);
  EXPECT_EQ(h.View().Lines(), (Lines{"Programed sucessfuly"}));
  ExpectCleanEnd(run, h.View());
  const sim::SimReport report = h.Sim().Report();
  EXPECT_EQ(report.Sessions.size(), 1u);
  EXPECT_EQ(report.LastSession()->Firmware, firmware);
}

TEST(JobPaths, TwoQuickPressesStartOneJob) {
  JobHarness h;
  const auto pack = MakePack(MakeFirmware(100));
  EXPECT_TRUE(h.Press(*pack));
  EXPECT_FALSE(h.Press(*pack));
  const JobRun run = h.Finish();
  EXPECT_EQ(run.outcome, JobOutcome::Success);
  EXPECT_EQ(h.View().Lines(), kHappyLines);
  ExpectCleanEnd(run, h.View());
  const sim::SimReport report = h.Sim().Report();
  EXPECT_EQ(report.Sessions.size(), 1u);
  EXPECT_EQ(report.LastSession()->IdentificationRequests, 1u);
  // The second press emptied the log again but set no update-kind text.
  std::size_t kinds = 0;
  for (const ViewEvent& e : h.View().Events()) kinds += e.Type == ViewEvent::UpdateKind;
  EXPECT_EQ(kinds, 1u);
}

}  // namespace
}  // namespace quorin::e2e
