#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "sim/ControllerLogic.h"
#include "tests/sim/LogicDriver.h"

namespace quorin::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;
using test::FirmwareJob;
using test::LogicDriver;
using test::MakeJob;

SimOptions With(SimScenario scenario, unsigned group = 1) {
  SimOptions options;
  options.scenario = scenario;
  options.group = group;
  return options;
}

std::size_t Count(const Bytes& bytes, std::uint8_t value) {
  return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), value));
}

// A job of each size gets its blocks acknowledged every 1024 bytes and then the verdict.
class HappyLoaderTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(HappyLoaderTest, AcknowledgesGroupsAndGivesTheVerdict) {
  const FirmwareJob job = MakeJob(GetParam());
  LogicDriver driver{SimOptions{}};
  const Bytes answers = driver.RunTransfer(job);
  const std::size_t blocks = (GetParam() + 15) / 16;
  Bytes expected = {0x02, 0xFD, 0x06};
  expected.insert(expected.end(), blocks / 64, 0x06);
  EXPECT_EQ(answers, expected);
  EXPECT_EQ(driver.Wait(milliseconds(2000)), Bytes{0x04});

  const SimReport& report = driver.Report();
  ASSERT_EQ(report.sessions.size(), 1u);
  const LoaderSession& session = report.sessions[0];
  EXPECT_TRUE(session.identified);
  EXPECT_EQ(session.blocks, blocks);
  EXPECT_EQ(session.firmware, job.firmware);
  EXPECT_EQ(session.blockTail, job.tail);
  EXPECT_TRUE(session.sumMatched);
  EXPECT_EQ(session.end, SessionEnd::Verdict);
  EXPECT_EQ(report.verdictsSent, 1u);
  EXPECT_TRUE(report.violations.empty()) << report.violations.front();
  EXPECT_EQ(driver.Logic().Role(), SimRole::Loader);
}

INSTANTIATE_TEST_SUITE_P(Sizes, HappyLoaderTest,
                         ::testing::Values(0, 1, 15, 16, 1023, 1024, 1040, 4096, 131024));

struct VerdictTiming {
  std::size_t length;
  milliseconds notBefore;  // after the last byte (or the header when there are no blocks)
};

class VerdictTimingTest : public ::testing::TestWithParam<VerdictTiming> {};

// 0x04 must come as its own delivery after the tool took a just-sent acknowledgement.
TEST_P(VerdictTimingTest, VerdictWaitsForTheToolToMoveOn) {
  LogicDriver driver{SimOptions{}};
  driver.RunTransfer(MakeJob(GetParam().length));
  EXPECT_EQ(driver.Wait(GetParam().notBefore - milliseconds(1)), Bytes{});
  EXPECT_EQ(driver.Wait(milliseconds(1)), Bytes{0x04});
}

INSTANTIATE_TEST_SUITE_P(Table, VerdictTimingTest,
                         ::testing::Values(VerdictTiming{1040, milliseconds(20)},
                                           VerdictTiming{1024, milliseconds(300)},
                                           VerdictTiming{2048, milliseconds(300)},
                                           // the tool's 500 ms header pause comes first
                                           VerdictTiming{0, milliseconds(800)}));

TEST(ControllerLogicTest, WrongSumGetsNoVerdict) {
  FirmwareJob job = MakeJob(100);
  job.dataSum += 1;
  LogicDriver driver{SimOptions{}};
  driver.RunTransfer(job);
  EXPECT_EQ(driver.Wait(milliseconds(3000)), Bytes{});
  EXPECT_EQ(driver.Report().sessions[0].end, SessionEnd::Refused);
  EXPECT_FALSE(driver.Report().violations.empty());
}

struct HeaderFault {
  const char* name;
  Bytes header;
  bool acknowledged;
};

class HeaderFaultTest : public ::testing::TestWithParam<HeaderFault> {};

TEST_P(HeaderFaultTest, IsReported) {
  LogicDriver driver{SimOptions{}};
  driver.Send({0x02});
  driver.Send({0x06});
  const Bytes answer = driver.Send(GetParam().header, 38400, milliseconds(10));
  EXPECT_EQ(answer, GetParam().acknowledged ? Bytes{0x06} : Bytes{});
  EXPECT_FALSE(driver.Report().violations.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, HeaderFaultTest,
    ::testing::Values(HeaderFault{"bad_start", {0xFE, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
                      HeaderFault{"too_long", {0xFF, 0xFF, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, false},
                      HeaderFault{"baud_index", {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ControllerLogicTest, ReportsToolFaultsByteForByte) {
  const FirmwareJob job = MakeJob(32);
  LogicDriver driver{SimOptions{}};
  EXPECT_EQ(driver.Send({0x06}), Bytes{}) << "0x06 before identification";
  EXPECT_EQ(driver.Report().violations.size(), 1u);
  driver.Send({0x02});
  driver.Send({0x06});
  driver.Send(test::HeaderFrame(job), 38400, milliseconds(10));
  const Bytes data = test::DataBlocks(job);
  driver.Send(data, 38400, milliseconds(50));  // too soon: the loader is still erasing
  EXPECT_EQ(driver.Report().violations.size(), 2u);
  driver.Send({0x13}, 38400, milliseconds(1));  // a thirty-third byte
  EXPECT_EQ(driver.Report().violations.size(), 3u);
  driver.Send({0x02}, 57600, milliseconds(1));  // the wrong speed
  EXPECT_EQ(driver.Report().violations.size(), 4u);
}

TEST(ControllerLogicTest, HeaderThatDisagreesWithTheRestartFrameIsReported) {
  FirmwareJob job = MakeJob(64);
  LogicDriver driver{With(SimScenario::ApplicationFirst)};
  driver.Send(test::RestartFrame(job), 9600);
  driver.Wait(milliseconds(400));
  EXPECT_EQ(driver.Send({0x02}), (Bytes{0x02, 0xFD}));
  driver.Send({0x06});
  job.wireKey ^= 1;
  EXPECT_EQ(driver.Send(test::HeaderFrame(job), 38400, milliseconds(10)), Bytes{0x06});
  EXPECT_EQ(driver.Report().violations.size(), 1u);
}

TEST(ControllerLogicTest, ApplicationTakesOnlyAValidFrameAtItsSpeed) {
  const FirmwareJob job = MakeJob(64);
  LogicDriver driver{With(SimScenario::ApplicationFirst)};
  EXPECT_EQ(driver.Send({0x02}), Bytes{});  // the loader is not running
  auto broken = test::RestartFrame(job);
  broken[9] ^= 0x01;
  driver.Send(broken, 9600, milliseconds(500));
  const auto frame = test::RestartFrame(job);
  driver.Send(frame, 38400, milliseconds(500));  // wrong speed: only its 0x02 bytes count
  driver.Wait(milliseconds(1000));
  EXPECT_EQ(driver.Send({0x02}), Bytes{});
  EXPECT_EQ(driver.Logic().Role(), SimRole::Application);

  driver.Send(test::RestartFrame(job), 9600, milliseconds(500));
  EXPECT_EQ(driver.Wait(milliseconds(299)), Bytes{});
  EXPECT_EQ(driver.Send({0x02}, 38400, milliseconds(0)), Bytes{}) << "loader not yet started";
  driver.Wait(milliseconds(1));
  EXPECT_EQ(driver.Logic().Role(), SimRole::Loader);
  EXPECT_EQ(driver.Send({0x02}), (Bytes{0x02, 0xFD}));

  const SimReport& report = driver.Report();
  ASSERT_EQ(report.restartFrames.size(), 2u);  // the one at the wrong speed never formed a frame
  EXPECT_FALSE(report.restartFrames[0].accepted);
  EXPECT_FALSE(report.restartFrames[0].problems.empty());
  EXPECT_TRUE(report.restartFrames[1].accepted);
  EXPECT_EQ(report.restartFrames[1].fields.dataLength, 64u);
  EXPECT_EQ(report.restartFrames[1].fields.version, 6400);
  EXPECT_EQ(report.restartFrames[1].baud, 9600u);
  EXPECT_EQ(report.identificationRequests.size(),
            4u + static_cast<std::size_t>(std::count(frame.begin(), frame.end(), 0x02)));
}

TEST(ControllerLogicTest, ApplicationRefusesAnOldVersionWhenAsked) {
  SimOptions options = With(SimScenario::ApplicationFirst);
  options.minimumVersion = 6400;
  FirmwareJob job = MakeJob(64);
  job.version = 6399;
  LogicDriver driver{options};
  driver.Send(test::RestartFrame(job), 9600);
  driver.Wait(milliseconds(1000));
  EXPECT_EQ(driver.Logic().Role(), SimRole::Application);
  job.version = 6400;
  driver.Send(test::RestartFrame(job), 9600);
  driver.Wait(milliseconds(1000));
  EXPECT_EQ(driver.Logic().Role(), SimRole::Loader);
}

TEST(ControllerLogicTest, AfterTheVerdictTheControllerStartsOver) {
  LogicDriver driver{With(SimScenario::ApplicationFirst)};
  const FirmwareJob job = MakeJob(100);
  driver.Send(test::RestartFrame(job), 9600);
  driver.Wait(milliseconds(2000));
  driver.RunTransfer(job);
  EXPECT_EQ(driver.Wait(milliseconds(100)), Bytes{0x04});
  EXPECT_EQ(driver.Logic().Role(), SimRole::Application);
}

TEST(ControllerLogicTest, AbandonedSessionEndsAfterTheIdleTime) {
  LogicDriver driver{SimOptions{}};
  driver.Send({0x02});
  driver.Send({0x06});
  driver.Send({0xFF, 0xFF, 0x10}, 38400, milliseconds(10));  // header cut short
  EXPECT_EQ(driver.Send({0x02}, 38400, milliseconds(1501)), (Bytes{0x02, 0xFD}));
  ASSERT_EQ(driver.Report().sessions.size(), 2u);
  EXPECT_EQ(driver.Report().sessions[0].end, SessionEnd::Idle);
  EXPECT_EQ(driver.Report().sessions[1].end, SessionEnd::Open);
}

TEST(ControllerLogicTest, ServesJobAfterJob) {
  LogicDriver driver{SimOptions{}};
  for (int i = 0; i < 3; ++i) {
    driver.RunTransfer(MakeJob(1040, static_cast<std::uint32_t>(i)));
    EXPECT_EQ(driver.Wait(milliseconds(1500)), Bytes{0x04});
  }
  EXPECT_EQ(driver.Report().verdictsSent, 3u);
  EXPECT_EQ(driver.Report().sessions.size(), 3u);
  EXPECT_TRUE(driver.Report().violations.empty());
}

// ---- fault scenarios ----

TEST(ScenarioTest, NamesRoundTrip) {
  for (std::string_view name : ScenarioNames()) {
    const auto scenario = ParseScenarioName(name);
    ASSERT_TRUE(scenario.has_value()) << name;
    EXPECT_EQ(ScenarioName(*scenario), name);
  }
  EXPECT_EQ(ScenarioNames().size(), 13u);
  EXPECT_FALSE(ParseScenarioName("Normal").has_value());
}

TEST(ScenarioTest, SilentAnswersNothing) {
  const FirmwareJob job = MakeJob(64);
  LogicDriver driver{With(SimScenario::Silent)};
  Bytes all;
  for (int i = 0; i < 6; ++i)
    LogicDriver::Append(all, driver.Send({0x02}, 38400, milliseconds(500)));
  LogicDriver::Append(all, driver.Send(test::RestartFrame(job), 9600, milliseconds(200)));
  LogicDriver::Append(all, driver.Wait(milliseconds(2000)));
  for (int i = 0; i < 6; ++i)
    LogicDriver::Append(all, driver.Send({0x02}, 38400, milliseconds(500)));
  EXPECT_EQ(all, Bytes{});
  EXPECT_EQ(driver.Report().identificationRequests.size(), 12u);
  ASSERT_EQ(driver.Report().restartFrames.size(), 1u);
  EXPECT_TRUE(driver.Report().restartFrames[0].problems.empty());
  EXPECT_FALSE(driver.Report().restartFrames[0].accepted);
}

TEST(ScenarioTest, NoHeaderAck) {
  const FirmwareJob job = MakeJob(2048);
  LogicDriver driver{With(SimScenario::NoHeaderAck)};
  EXPECT_EQ(driver.RunTransfer(job), (Bytes{0x02, 0xFD, 0x06, 0x06}));
  EXPECT_FALSE(driver.Report().sessions[0].header->acknowledged);
}

TEST(ScenarioTest, EarlyAckDuringIdentificationAndNoneForTheHeader) {
  LogicDriver driver{With(SimScenario::EarlyAck)};
  EXPECT_EQ(driver.Send({0x02}), (Bytes{0x02, 0x06, 0xFD}));
  driver.Send({0x06});
  EXPECT_EQ(driver.Send(test::HeaderFrame(MakeJob(1024)), 38400, milliseconds(10)), Bytes{});
}

TEST(ScenarioTest, SplitIdentification) {
  LogicDriver driver{With(SimScenario::SplitIdentification)};
  EXPECT_EQ(driver.Send({0x02}), Bytes{0x02});
  EXPECT_EQ(driver.Send({0x02}, 38400, milliseconds(500)), Bytes{});
  EXPECT_FALSE(driver.Report().sessions[0].identified);
  EXPECT_EQ(driver.Send({0x02}, 38400, milliseconds(500)), Bytes{0xFD});
  EXPECT_TRUE(driver.Report().sessions[0].identified);
  driver.Send({0x06});
  EXPECT_EQ(driver.Send(test::HeaderFrame(MakeJob(16)), 38400, milliseconds(10)), Bytes{0x06});
}

struct GroupCase {
  const char* name;
  SimScenario scenario;
  unsigned group;
  Bytes answers;  // to a 4096-byte transfer, right away
};

class GroupScenarioTest : public ::testing::TestWithParam<GroupCase> {};

TEST_P(GroupScenarioTest, AnswersTheGroups) {
  LogicDriver driver{With(GetParam().scenario, GetParam().group)};
  EXPECT_EQ(driver.RunTransfer(MakeJob(4096)), GetParam().answers);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GroupScenarioTest,
    ::testing::Values(
        GroupCase{"ack_lost_first", SimScenario::AckLost, 1, {0x02, 0xFD, 0x06, 0x06, 0x06, 0x06}},
        GroupCase{"ack_lost_third", SimScenario::AckLost, 3, {0x02, 0xFD, 0x06, 0x06, 0x06, 0x06}},
        GroupCase{"ack_lost_last", SimScenario::AckLost, 4, {0x02, 0xFD, 0x06, 0x06, 0x06, 0x06}},
        GroupCase{
            "ack_delay_second", SimScenario::AckDelay, 2, {0x02, 0xFD, 0x06, 0x06, 0x06, 0x06}},
        GroupCase{"ack_delay_all", SimScenario::AckDelay, 0, {0x02, 0xFD, 0x06}},
        GroupCase{"cable_pulled_second", SimScenario::CablePulled, 2, {0x02, 0xFD, 0x06, 0x06}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScenarioTest, AckLostWithholdsExactlyGroupK) {
  LogicDriver driver{With(SimScenario::AckLost, 2)};
  driver.Send({0x02});
  driver.Send({0x06});
  driver.Send(test::HeaderFrame(MakeJob(3072)), 38400, milliseconds(10));
  const Bytes data = test::DataBlocks(MakeJob(3072));
  const auto group = [&](int g) {
    return Bytes(data.begin() + g * 1024, data.begin() + (g + 1) * 1024);
  };
  EXPECT_EQ(driver.Send(group(0), 38400, milliseconds(500)), Bytes{0x06});
  EXPECT_EQ(driver.Send(group(1)), Bytes{});
  EXPECT_EQ(driver.Wait(milliseconds(2100)), Bytes{});
}

TEST(ScenarioTest, AckDelayComesLate) {
  SimOptions options = With(SimScenario::AckDelay, 1);
  options.ackDelay = milliseconds(1900);
  LogicDriver driver{options};
  driver.Send({0x02});
  driver.Send({0x06});
  const FirmwareJob job = MakeJob(1024);
  driver.Send(test::HeaderFrame(job), 38400, milliseconds(10));
  EXPECT_EQ(driver.Send(test::DataBlocks(job), 38400, milliseconds(500)), Bytes{});
  EXPECT_EQ(driver.Wait(milliseconds(1899)), Bytes{});
  EXPECT_EQ(driver.Wait(milliseconds(1)), Bytes{0x06});
  // The verdict keeps its distance from the late acknowledgement.
  EXPECT_EQ(driver.Wait(milliseconds(299)), Bytes{});
  EXPECT_EQ(driver.Wait(milliseconds(1)), Bytes{0x04});
}

TEST(ScenarioTest, NoVerdict) {
  LogicDriver driver{With(SimScenario::NoVerdict)};
  driver.RunTransfer(MakeJob(2000));
  EXPECT_EQ(driver.Wait(milliseconds(3000)), Bytes{});
  EXPECT_EQ(driver.Report().sessions[0].end, SessionEnd::VerdictWithheld);
  EXPECT_EQ(driver.Report().verdictsSent, 0u);
}

TEST(ScenarioTest, BurstInsteadOfTheVerdict) {
  LogicDriver driver{With(SimScenario::BurstVerdict)};
  driver.RunTransfer(MakeJob(2000));
  const Bytes burst = driver.Wait(milliseconds(100));
  ASSERT_EQ(burst.size(), 500u);
  EXPECT_EQ(burst[450], 0x04);
  for (std::uint8_t meaningful : {0x02, 0x04, 0x06, 0xFD, 0x11, 0x13}) {
    EXPECT_EQ(Count(burst, meaningful), meaningful == 0x04 ? 1u : 0u) << int{meaningful};
  }
  EXPECT_EQ(driver.Report().verdictsSent, 1u);
  EXPECT_EQ(driver.Report().sessions[0].end, SessionEnd::Burst);
}

TEST(ScenarioTest, AckAndVerdictInOneWriteOnlyWhenTheLastBlockClosesAGroup) {
  const std::pair<std::size_t, Bytes> cases[] = {{2048, {0x06, 0x04}}, {1040, {0x04}}};
  for (const auto& [length, lastWrite] : cases) {
    LogicDriver driver{With(SimScenario::AckAndVerdictTogether)};
    driver.RunTransfer(MakeJob(length));
    driver.Wait(milliseconds(1000));
    const SimReport& report = driver.Report();
    ASSERT_FALSE(report.sent.empty());
    EXPECT_EQ(report.sent.back().bytes, lastWrite) << length;
    EXPECT_EQ(report.verdictsSent, 1u) << length;
    EXPECT_EQ(report.sessions[0].groupsAcknowledged, length / 1024) << length;
  }
}

TEST(ScenarioTest, NoiseSurroundsEveryAnswerAndNeverLooksLikeOne) {
  SimOptions options = With(SimScenario::Noise);
  options.seed = 1234;
  LogicDriver driver{options};
  const Bytes identification = driver.Send({0x02});
  ASSERT_GE(identification.size(), 4u);
  const auto stx = std::find(identification.begin(), identification.end(), 0x02);
  ASSERT_NE(stx, identification.end());
  EXPECT_NE(stx, identification.begin()) << "noise before the answer";
  EXPECT_EQ(*(stx + 1), 0xFD);
  EXPECT_NE(stx + 2, identification.end()) << "noise after the answer";

  Bytes all = identification;
  LogicDriver::Append(all, driver.Send({0x06}));
  const FirmwareJob job = MakeJob(2048);
  LogicDriver::Append(all, driver.Send(test::HeaderFrame(job), 38400, milliseconds(10)));
  const Bytes data = test::DataBlocks(job);
  LogicDriver::Append(all, driver.Send(data, 38400, milliseconds(500)));
  LogicDriver::Append(all, driver.Wait(milliseconds(1000)));
  EXPECT_EQ(Count(all, 0x02), 1u);
  EXPECT_EQ(Count(all, 0xFD), 1u);
  EXPECT_EQ(Count(all, 0x06), 3u);
  EXPECT_EQ(Count(all, 0x04), 1u);
  EXPECT_EQ(Count(all, 0x11) + Count(all, 0x13), 0u);
  EXPECT_GE(all.size(), 6u + 2u * 5u);
}

TEST(ScenarioTest, CablePulledAtGroupK) {
  LogicDriver driver{With(SimScenario::CablePulled, 1)};
  driver.RunTransfer(MakeJob(1024));
  EXPECT_TRUE(driver.CablePulled());
  EXPECT_TRUE(driver.Report().cablePulled);
  EXPECT_EQ(driver.Report().sessions[0].end, SessionEnd::CablePulled);
  EXPECT_EQ(driver.Wait(milliseconds(3000)), Bytes{});
}

}  // namespace
}  // namespace quorin::sim

namespace quorin::sim {
namespace {

TEST(ControllerLogicTest, ClearingTheReportMidSessionKeepsTheSessionGoing) {
  LogicDriver driver{SimOptions{}};
  const FirmwareJob job = MakeJob(40);
  driver.Send({0x02});
  driver.Send({0x06});
  driver.Logic().ClearReport();
  EXPECT_EQ(driver.Send(test::HeaderFrame(job), 38400, milliseconds(10)), Bytes{0x06});
  driver.Send(test::DataBlocks(job), 38400, milliseconds(500));
  EXPECT_EQ(driver.Wait(milliseconds(100)), Bytes{0x04});
  ASSERT_EQ(driver.Report().sessions.size(), 1u);
  EXPECT_EQ(driver.Report().sessions[0].firmware, job.firmware);
}

TEST(ControllerLogicTest, TakeEndedSessionsLeavesTheRunningOne) {
  LogicDriver driver{SimOptions{}};
  driver.RunTransfer(MakeJob(20));
  driver.Wait(milliseconds(100));
  driver.Send({0x02});  // the next job begins
  const std::vector<LoaderSession> ended = driver.Logic().TakeEndedSessions();
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].end, SessionEnd::Verdict);
  ASSERT_EQ(driver.Report().sessions.size(), 1u);
  EXPECT_EQ(driver.Report().sessions[0].end, SessionEnd::Open);
  EXPECT_TRUE(driver.Logic().TakeEndedSessions().empty());
}

// The window's simulated controller serves job after job: its report keeps one job's worth.
TEST(ControllerLogicTest, ALongRunningControllerKeepsTheLastJobOnly) {
  LogicDriver driver{LongRunningOptions(SimScenario::Normal)};
  const FirmwareJob job = MakeJob(4000);
  for (int i = 0; i < 100; ++i, driver.Wait(milliseconds(100))) driver.RunTransfer(job);
  const SimReport& report = driver.Report();
  std::size_t kept = report.identificationRequests.size() + report.restartFrames.size() +
                     report.violations.size() + report.sessions.size();  // one byte a record
  for (const auto* log : {&report.received, &report.sent}) {
    for (const LineChunk& chunk : *log) kept += chunk.bytes.capacity();
  }
  for (const LoaderSession& s : report.sessions) kept += s.firmware.capacity();
  EXPECT_EQ(report.verdictsSent, 100u);
  EXPECT_LT(kept, job.firmware.size() + 100);
  EXPECT_EQ(report.LastSession()->firmware, job.firmware);
}

}  // namespace
}  // namespace quorin::sim
