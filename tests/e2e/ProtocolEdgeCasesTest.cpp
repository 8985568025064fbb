// The wire protocol's edge cases of their own shape: block counts and tails over firmware sizes,
// the verdict arriving with the last acknowledgement, acknowledgement delays, and cancelling. The
// single-scenario answers and faults (split and early answers, the 400-byte classifier window, a
// lost acknowledgement, a pulled cable) are rows of the job table in JobEdgeCasesTest.cpp.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "comm/SerialDevice.h"
#include "tests/support/JobExpectations.h"
#include "tests/support/JobHarness.h"

namespace quorin::e2e {
namespace {

struct SizeCase {
  std::size_t firmwareBytes;
  std::size_t Blocks;
  unsigned GroupsAcknowledged;
};
class FirmwareSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FirmwareSizes, WholeBlocksAndAnAcknowledgementPerFullGroup) {
  JobHarness h;
  const auto firmware = MakeFirmware(GetParam().firmwareBytes);
  const auto pack = MakePack(firmware);
  const JobRun run = h.Run(*pack);
  EXPECT_EQ(run.outcome, JobOutcome::Success);
  EXPECT_EQ(h.View().Lines(), kHappyLines);
  ExpectCleanEnd(run, h.View());
  const sim::SimReport report = h.Sim().Report();
  EXPECT_TRUE(report.Violations.empty()) << report.Violations.front();
  const sim::LoaderSession* s = report.LastSession();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Blocks, GetParam().Blocks);
  EXPECT_EQ(s->DataBytes, GetParam().Blocks * 16);
  EXPECT_EQ(s->GroupsAcknowledged, GetParam().GroupsAcknowledged);
  EXPECT_EQ(s->Firmware, firmware);
  // The last block's tail is the pack image's own bytes after the firmware.
  const std::size_t tail = GetParam().Blocks * 16 - firmware.size();
  ASSERT_EQ(s->BlockTail.size(), tail);
  for (std::size_t j = 0; j < tail; ++j) {
    EXPECT_EQ(s->BlockTail[j], pack->PackBuffer[34 + firmware.size() + j]) << "tail byte " << j;
  }
}
INSTANTIATE_TEST_SUITE_P(Lengths, FirmwareSizes,
                         ::testing::Values(SizeCase{0, 0, 0}, SizeCase{1, 1, 0},
                                           SizeCase{1024, 64, 1}, SizeCase{1040, 65, 1}),
                         [](const auto& info) {
                           return "Bytes" + std::to_string(info.param.firmwareBytes);
                         });

// The last group's 0x06 and the 0x04 in one write reach the tool in one delivery: the verdict
// delivered with the last acknowledgement still counts.
struct TogetherCase {
  std::size_t firmwareBytes;
  unsigned groups;
};
class AckAndVerdictTogether : public ::testing::TestWithParam<TogetherCase> {};
TEST_P(AckAndVerdictTogether, VerdictDeliveredWithTheLastAckCounts) {
  sim::SimOptions options;
  options.Scenario = sim::SimScenario::AckAndVerdictTogether;
  JobHarness h(options);
  const auto firmware = MakeFirmware(GetParam().firmwareBytes);
  const JobRun run = h.Run(*MakePack(firmware));
  EXPECT_EQ(run.outcome, JobOutcome::Success);
  EXPECT_EQ(h.View().Lines(), kHappyLines);
  ExpectCleanEnd(run, h.View());
  const sim::SimReport report = h.Sim().Report();
  ASSERT_NE(report.LastSession(), nullptr);
  EXPECT_EQ(report.LastSession()->GroupsAcknowledged, GetParam().groups);
  EXPECT_EQ(report.LastSession()->Firmware, firmware);
  ASSERT_FALSE(report.Sent.empty());
  EXPECT_EQ(report.Sent.back().Bytes, (std::vector<std::uint8_t>{0x06, 0x04}));
}
INSTANTIATE_TEST_SUITE_P(Lengths, AckAndVerdictTogether,
                         ::testing::Values(TogetherCase{1024, 1}, TogetherCase{4096, 4}),
                         [](const auto& info) {
                           return "Bytes" + std::to_string(info.param.firmwareBytes);
                         });

struct DelayCase {
  std::chrono::milliseconds delay;
  JobOutcome outcome;
};
class AcknowledgementDelay : public ::testing::TestWithParam<DelayCase> {};
TEST_P(AcknowledgementDelay, WithinTwoSecondsIsInTime) {
  sim::SimOptions options;
  options.Scenario = sim::SimScenario::AckDelay;
  options.Group = 1;
  options.AckDelay = GetParam().delay;
  JobHarness h(options);
  const JobRun run = h.Run(*MakePack(MakeFirmware(2048)));
  EXPECT_EQ(run.outcome, GetParam().outcome);
  EXPECT_EQ(h.View().Lines(),
            GetParam().outcome == JobOutcome::Success ? kHappyLines : kAbortedLines);
  ExpectCleanEnd(run, h.View());
}
INSTANTIATE_TEST_SUITE_P(Delays, AcknowledgementDelay,
                         ::testing::Values(DelayCase{1000ms, JobOutcome::Success},
                                           DelayCase{3000ms, JobOutcome::Unsuccessful}),
                         [](const auto& info) {
                           return "Ms" + std::to_string(info.param.delay.count());
                         });

// Cancel (Ctrl-C, a closing window): the waits end at once, nothing more is sent, the port closes.
TEST(JobCancel, CancelDuringTheDataPhaseStopsSendingAndClosesThePort) {
  JobHarness h;
  std::atomic<std::size_t> sent{0};
  h.Session().SetTrace([&](TraceDirection direction, const std::uint8_t*, std::size_t length) {
    if (direction == TraceDirection::Sent) sent += length;
  });
  const auto pack = MakePack(MakeFirmware(60000));
  ASSERT_TRUE(h.Press(*pack));
  ASSERT_TRUE(h.RunUntil([&] {
    const auto& ev = h.View().Events();
    return !ev.empty() && ev.back().Type == ViewEvent::Progress && ev.back().Value >= 4096;
  }));
  const auto cancelledAt = Clock::now();
  const std::size_t sentBeforeCancel = sent.load();
  h.Session().Cancel();
  const JobRun run = h.Finish();
  ExpectCleanEnd(run, h.View());
  EXPECT_EQ(run.outcome, JobOutcome::Cancelled);
  EXPECT_LT(run.finishedAt - cancelledAt, 3s);          // no 0.6 s clean-up pauses, no 2 s waits
  EXPECT_EQ(h.View().Lines().back(), "Programing...");  // no verdict lines after a cancel
  EXPECT_LE(sent.load(), sentBeforeCancel + 16);        // at most the block being handed over
  // The controller gets nothing beyond what was handed over before the cancel.
  std::this_thread::sleep_for(300ms);
  EXPECT_LE(h.Sim().Report().BytesReceived, sent.load());
  EXPECT_LT(sent.load(), 34u + 60000u);
}

TEST(JobCancel, DestroyingTheSessionDuringAJobCancelsAndJoinsIt) {
  sim::SimOptions options;
  options.Scenario = sim::SimScenario::Silent;
  JobHarness h(options);
  const auto pack = MakePack(MakeFirmware(100));
  ASSERT_TRUE(h.Press(*pack));
  ASSERT_TRUE(h.RunUntil([&] { return !h.View().Lines().empty(); }));
  const auto dropAt = Clock::now();
  h.DropSession();
  EXPECT_LT(Clock::now() - dropAt, 3s);
  // The port is closed: its exclusive hold is gone, so it opens again at once.
  std::error_code openError;
  EXPECT_TRUE(SerialDevice::Open(h.Sim().SlavePath(), openError)) << openError.message();
  // Whatever the worker had posted is dropped, not run against a view whose owner is gone.
  const std::size_t events = h.View().Events().size();
  h.Loop().RunUntil([] { return false; }, 300ms);
  EXPECT_EQ(h.View().Events().size(), events);
}

}  // namespace
}  // namespace quorin::e2e
