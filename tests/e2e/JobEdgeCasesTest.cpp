// The programming job end to end: every path of the job body, checked by its exact log lines and
// by what the simulated controller received.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "iap/Frames.h"
#include "tests/support/JobHarness.h"

namespace quorin::e2e {
namespace {

using Lines = std::vector<std::string>;

const Lines kHappyLines = {"Conntectting MCU....", "MCU Identified", "Programing...",
                           "Programed sucessfuly"};

// Every job ends the same way: JobBusy 0, the port closed, the gauge hidden last.
void ExpectCleanEnd(const JobRun& run, const RecordingView& view) {
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.jobBusyAtFinish, 0);
  EXPECT_FALSE(run.portOpenAtFinish);
  const auto& events = view.Events();
  const auto lastGauge = std::find_if(events.rbegin(), events.rend(), [](const ViewEvent& e) {
    return e.kind == ViewEvent::Visible;
  });
  ASSERT_NE(lastGauge, events.rend());
  EXPECT_EQ(lastGauge->value, 0u) << "gauge left visible";
}

TEST(JobPaths, HappyPathProgramsTheFirmware) {
  JobHarness h;
  const auto firmware = MakeFirmware(3000);
  const auto pack = MakePack(firmware);
  const JobRun run = h.Run(*pack);
  EXPECT_EQ(run.outcome, JobOutcome::Success);
  EXPECT_EQ(h.View().Lines(), kHappyLines);
  ExpectCleanEnd(run, h.View());

  const sim::SimReport report = h.Sim().Report();
  EXPECT_TRUE(report.violations.empty()) << report.violations.front();
  EXPECT_TRUE(report.restartFrames.empty());
  ASSERT_NE(report.LastSession(), nullptr);
  const sim::LoaderSession& s = *report.LastSession();
  EXPECT_EQ(s.identificationRequests, 1u);
  ASSERT_TRUE(s.header);
  EXPECT_EQ(s.header->fields.dataLength, 3000u);
  EXPECT_EQ(s.header->fields.dataSum, pack->Header.DataSum());
  EXPECT_EQ(s.header->fields.wireKey, 0x5A);
  EXPECT_EQ(s.header->fields.baudIndex, 0);  // the stored BaudRate=2 is never read back
  EXPECT_EQ(s.blocks, 188u);
  EXPECT_EQ(s.firmware, firmware);
  EXPECT_TRUE(s.sumMatched);

  // The gauge: shown at progress 0 before the first line, maximum DataLength, full at the end.
  const auto& ev = h.View().Events();
  const auto firstVisible = std::find_if(ev.begin(), ev.end(), [](const ViewEvent& e) {
    return e.kind == ViewEvent::Visible;
  });
  ASSERT_NE(firstVisible, ev.end());
  EXPECT_EQ(firstVisible->value, 1u);
  const auto firstLine = std::find_if(ev.begin(), ev.end(), [](const ViewEvent& e) {
    return e.kind == ViewEvent::Line;
  });
  EXPECT_LT(firstVisible, firstLine);
  const auto maximum = std::find_if(ev.begin(), ev.end(), [](const ViewEvent& e) {
    return e.kind == ViewEvent::Maximum;
  });
  ASSERT_NE(maximum, ev.end());
  EXPECT_EQ(maximum->value, 3000u);
  std::uint32_t lastProgress = 0;
  for (const ViewEvent& e : ev) {
    if (e.kind == ViewEvent::Progress) {
      EXPECT_GE(e.value, lastProgress) << "progress went back";
      lastProgress = e.value;
    }
  }
  EXPECT_EQ(lastProgress, 188u * 16u);
  // Label8 got the update-kind text at the press.
  EXPECT_EQ(ev.front().kind, ViewEvent::Clear);
  EXPECT_EQ(ev[1].kind, ViewEvent::UpdateKind);
  EXPECT_EQ(ev[1].text, "Update software + settings");
}

TEST(JobPaths, ControllerRunningItsApplicationIsRestarted) {
  sim::SimOptions options;
  options.scenario = sim::SimScenario::ApplicationFirst;
  JobHarness h(options);
  const auto firmware = MakeFirmware(1500);
  const auto pack = MakePack(firmware, 6400, 0x00);
  const JobRun run = h.Run(*pack);
  EXPECT_EQ(run.outcome, JobOutcome::Success);
  EXPECT_EQ(h.View().Lines(), (Lines{"Conntectting MCU....", "MCU Restarting...", "Programing...",
                                     "Programed sucessfuly"}));
  ExpectCleanEnd(run, h.View());
  const sim::SimReport report = h.Sim().Report();
  ASSERT_EQ(report.restartFrames.size(), 1u);
  const sim::RestartFrameRecord& frame = report.restartFrames.front();
  EXPECT_TRUE(frame.problems.empty());
  EXPECT_TRUE(frame.accepted);
  EXPECT_EQ(frame.baud, 9600u);
  EXPECT_EQ(frame.fields.kindLetter, 0x77);
  EXPECT_EQ(frame.fields.dataLength, 1500u);
  EXPECT_EQ(frame.fields.dataSum, pack->Header.DataSum());
  EXPECT_EQ(frame.fields.wireKey, 0x5A);
  EXPECT_EQ(frame.fields.version, 6400);
  ASSERT_NE(report.LastSession(), nullptr);
  EXPECT_EQ(report.LastSession()->firmware, firmware);
  // The first connect sent six requests to the application, which ignored them; "MCU Restarting..."
  // comes after the frame, and the reconnect waits 1.5 s after that line.
  EXPECT_GE(run.Duration(), 0.2s + 6 * 0.5s + 0.2s + 0.5s + 1.5s + 0.2s + 0.51s + 0.6s);
  EXPECT_LT(run.Duration(), 30s);
}

TEST(JobPaths, MissingPortGivesUartPortErrorAndNothingElse) {
  JobHarness h({}, std::string("/dev/quorin-no-such-port"));
  const auto pack = MakePack(MakeFirmware(64));
  const JobRun run = h.Run(*pack);
  EXPECT_EQ(run.outcome, JobOutcome::PortError);
  EXPECT_EQ(h.View().Lines(), (Lines{"Conntectting MCU....", "UART Port error "}));
  ExpectCleanEnd(run, h.View());
  EXPECT_EQ(run.report.FailedPortName, "/dev/quorin-no-such-port");
  EXPECT_EQ(run.report.OpenErrorReason, std::errc::no_such_file_or_directory);
  EXPECT_FALSE(run.report.OpenErrorText.empty());
  // 200 ms after the open, then the 0.6 s clean-up.
  EXPECT_GE(run.Duration(), 0.8s);
  EXPECT_LT(run.Duration(), 10s);
  const auto lastLine = h.View().LineTime("UART Port error ");
  ASSERT_TRUE(lastLine);
  EXPECT_LT(run.finishedAt - *lastLine, 5s);
  EXPECT_EQ(h.Sim().Report().bytesReceived, 0u);
}

TEST(JobPaths, NobodyAnswersSixRequestsPerConnectHalfASecondApart) {
  sim::SimOptions options;
  options.scenario = sim::SimScenario::Silent;
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
  EXPECT_EQ(report.identificationRequests.size(), 12u);
  EXPECT_EQ(report.restartFrames.size(), 1u);
  EXPECT_TRUE(report.sessions.empty() || report.LastSession()->header == std::nullopt);
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

TEST(JobPaths, UnansweredHeaderSendsNoBlock) {
  sim::SimOptions options;
  options.scenario = sim::SimScenario::NoHeaderAck;
  JobHarness h(options);
  const auto pack = MakePack(MakeFirmware(2048));
  const JobRun run = h.Run(*pack);
  EXPECT_EQ(run.outcome, JobOutcome::Unsuccessful);
  EXPECT_EQ(h.View().Lines(), (Lines{"Conntectting MCU....", "MCU Identified", "Programing...",
                                     "Program unsucessful", "Power-off controller and try again "}));
  ExpectCleanEnd(run, h.View());
  const auto programming = h.View().LineTime("Programing...");
  const auto aborted = h.View().LineTime("Program unsucessful");
  ASSERT_TRUE(programming && aborted);
  EXPECT_GT(*aborted - *programming, 900ms);  // 10 ms + the header's fixed 500 ms + 500 ms
  EXPECT_LT(*aborted - *programming, 5s);
  const sim::SimReport report = h.Sim().Report();
  ASSERT_NE(report.LastSession(), nullptr);
  EXPECT_TRUE(report.LastSession()->header.has_value());
  EXPECT_EQ(report.LastSession()->dataBytes, 0u);
}

TEST(JobPaths, PressDuringAJobEmptiesTheLogAndStartsNoSecondJob) {
  JobHarness h;
  const auto firmware = MakeFirmware(8192);
  const auto pack = MakePack(firmware);
  ASSERT_TRUE(h.Press(*pack));
  ASSERT_TRUE(h.RunUntil([&] { return h.View().LineTime("Programing...").has_value(); }));
  ASSERT_TRUE(h.RunUntil([&] {
    const auto& ev = h.View().Events();
    return !ev.empty() && ev.back().kind == ViewEvent::Progress && ev.back().value >= 1024;
  }));
  EXPECT_FALSE(h.Press(*pack));
  EXPECT_TRUE(h.View().Lines().empty());
  const JobRun run = h.Finish();
  EXPECT_EQ(run.outcome, JobOutcome::Success);
  EXPECT_EQ(h.View().Lines(), (Lines{"Programed sucessfuly"}));
  ExpectCleanEnd(run, h.View());
  const sim::SimReport report = h.Sim().Report();
  EXPECT_EQ(report.sessions.size(), 1u);
  EXPECT_EQ(report.LastSession()->firmware, firmware);
}

TEST(JobPaths, TwoQuickPressesStartOneJob) {
  JobHarness h;
  const auto pack = MakePack(MakeFirmware(100));
  EXPECT_TRUE(h.Press(*pack));
  EXPECT_FALSE(h.Press(*pack));
  const JobRun run = h.Finish();
  EXPECT_EQ(run.outcome, JobOutcome::Success);
  EXPECT_EQ(h.View().Lines(), kHappyLines);
  const sim::SimReport report = h.Sim().Report();
  EXPECT_EQ(report.sessions.size(), 1u);
  EXPECT_EQ(report.LastSession()->identificationRequests, 1u);
  // The second press emptied the log again but set no update-kind text.
  std::size_t kinds = 0;
  for (const ViewEvent& e : h.View().Events()) kinds += e.kind == ViewEvent::UpdateKind;
  EXPECT_EQ(kinds, 1u);
}

TEST(JobPaths, NoPackReadSendsZeroHeaderAndNoBlocks) {
  JobHarness h;
  const PackRecords empty;
  const JobRun run = h.Run(empty);
  EXPECT_EQ(run.outcome, JobOutcome::Success);
  EXPECT_EQ(h.View().Lines(), kHappyLines);
  ExpectCleanEnd(run, h.View());
  const sim::SimReport report = h.Sim().Report();
  ASSERT_NE(report.LastSession(), nullptr);
  ASSERT_TRUE(report.LastSession()->header);
  const std::array<std::uint8_t, 12> zeroHeader = {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(report.LastSession()->header->bytes, zeroHeader);
  EXPECT_EQ(report.LastSession()->dataBytes, 0u);
  EXPECT_EQ(h.View().Events()[1].text, "Update software only");
}

TEST(JobPaths, NoPackReadRestartFrameCarriesKindWAndZeroFields) {
  sim::SimOptions options;
  options.scenario = sim::SimScenario::ApplicationFirst;
  JobHarness h(options);
  const PackRecords empty;
  const JobRun run = h.Run(empty);
  EXPECT_EQ(run.outcome, JobOutcome::Success);
  const sim::SimReport report = h.Sim().Report();
  ASSERT_EQ(report.restartFrames.size(), 1u);
  const std::array<std::uint8_t, 21> expected = {0xF2, 0x4C, 0x3B, 0x3B, 0x3B, 0x3B, 0x3B,
                                                 0x3B, 0x3B, 0x3B, 0x3B, 0x3B, 0x3B, 0x3B,
                                                 0x3A, 0x3B, 0x3B, 0x3B, 0x1A, 0x4B, 0xB8};
  EXPECT_EQ(report.restartFrames.front().masked, expected);
}

// A header no loaded pack can have: its blocks would run past the 131072-byte image. The job
// refuses to read there and fails the data phase before any block goes out.
TEST(JobPaths, DataLengthPastTheImageFailsTheDataPhaseWithoutSending) {
  sim::SimOptions options;
  options.capacity = 0xFFFFFFFFu;  // a loader that would take it
  JobHarness h(options);
  PackRecords records;
  records.Header.SetDataLength(131025);
  const JobRun run = h.Run(records);
  EXPECT_EQ(run.outcome, JobOutcome::Unsuccessful);
  EXPECT_EQ(h.View().Lines(), (Lines{"Conntectting MCU....", "MCU Identified", "Programing...",
                                     "Program unsucessful", "Power-off controller and try again "}));
  ExpectCleanEnd(run, h.View());
  const sim::SimReport report = h.Sim().Report();
  ASSERT_NE(report.LastSession(), nullptr);
  ASSERT_TRUE(report.LastSession()->header);
  EXPECT_EQ(report.LastSession()->header->fields.dataLength, 131025u);
  EXPECT_EQ(report.LastSession()->dataBytes, 0u);
}

TEST(JobPaths, NoVerdictEndsWithProgramFail) {
  sim::SimOptions options;
  options.scenario = sim::SimScenario::NoVerdict;
  JobHarness h(options);
  const auto pack = MakePack(MakeFirmware(1040));
  const JobRun run = h.Run(*pack);
  EXPECT_EQ(run.outcome, JobOutcome::Failed);
  EXPECT_EQ(h.View().Lines(),
            (Lines{"Conntectting MCU....", "MCU Identified", "Programing...", "Program fail ",
                   "Power-off controller or display and try again "}));
  ExpectCleanEnd(run, h.View());
  EXPECT_EQ(h.Sim().Report().LastSession()->blocks, 65u);
}

}  // namespace
}  // namespace quorin::e2e
