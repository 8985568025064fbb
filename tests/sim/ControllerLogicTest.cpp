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
  options.Scenario = scenario;
  options.Group = group;
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
  ASSERT_EQ(report.Sessions.size(), 1u);
  const LoaderSession& session = report.Sessions[0];
  EXPECT_TRUE(session.Identified);
  EXPECT_EQ(session.Blocks, blocks);
  EXPECT_EQ(session.Firmware, job.Firmware);
  EXPECT_EQ(session.BlockTail, job.tail);
  EXPECT_TRUE(session.SumMatched);
  EXPECT_EQ(session.End, SessionEnd::Verdict);
  EXPECT_EQ(report.VerdictsSent, 1u);
  EXPECT_TRUE(report.Violations.empty()) << report.Violations.front();
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
  job.DataSum += 1;
  LogicDriver driver{SimOptions{}};
  driver.RunTransfer(job);
  EXPECT_EQ(driver.Wait(milliseconds(3000)), Bytes{});
  EXPECT_EQ(driver.Report().Sessions[0].End, SessionEnd::Refused);
  EXPECT_FALSE(driver.Report().Violations.empty());
}

struct HeaderFault {
  const char* name;
  Bytes Header;
  bool Acknowledged;
};

class HeaderFaultTest : public ::testing::TestWithParam<HeaderFault> {};

TEST_P(HeaderFaultTest, IsReported) {
  LogicDriver driver{SimOptions{}};
  driver.Send({0x02});
  driver.Send({0x06});
  const Bytes answer = driver.Send(GetParam().Header, 38400, milliseconds(10));
  EXPECT_EQ(answer, GetParam().Acknowledged ? Bytes{0x06} : Bytes{});
  EXPECT_FALSE(driver.Report().Violations.empty());
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
  EXPECT_EQ(driver.Report().Violations.size(), 1u);
  driver.Send({0x02});
  driver.Send({0x06});
  driver.Send(test::HeaderFrame(job), 38400, milliseconds(10));
  const Bytes data = test::DataBlocks(job);
  driver.Send(data, 38400, milliseconds(50));  // too soon: the loader is still erasing
  EXPECT_EQ(driver.Report().Violations.size(), 2u);
  driver.Send({0x13}, 38400, milliseconds(1));  // a thirty-third byte
  EXPECT_EQ(driver.Report().Violations.size(), 3u);
  driver.Send({0x02}, 57600, milliseconds(1));  // the wrong speed
  EXPECT_EQ(driver.Report().Violations.size(), 4u);
}

TEST(ControllerLogicTest, HeaderThatDisagreesWithTheRestartFrameIsReported) {
  FirmwareJob job = MakeJob(64);
  LogicDriver driver{With(SimScenario::ApplicationFirst)};
  driver.Send(test::RestartFrame(job), 9600);
  driver.Wait(milliseconds(400));
  EXPECT_EQ(driver.Send({0x02}), (Bytes{0x02, 0xFD}));
  driver.Send({0x06});
  job.WireKey ^= 1;
  EXPECT_EQ(driver.Send(test::HeaderFrame(job), 38400, milliseconds(10)), Bytes{0x06});
  EXPECT_EQ(driver.Report().Violations.size(), 1u);
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
  ASSERT_EQ(report.RestartFrames.size(), 2u);  // the one at the wrong speed never formed a frame
  EXPECT_FALSE(report.RestartFrames[0].Accepted);
  EXPECT_FALSE(report.RestartFrames[0].Problems.empty());
  EXPECT_TRUE(report.RestartFrames[1].Accepted);
  EXPECT_EQ(report.RestartFrames[1].Fields.DataLength, 64u);
  EXPECT_EQ(report.RestartFrames[1].Fields.Version, 6400);
  EXPECT_EQ(report.RestartFrames[1].Baud, 9600u);
  EXPECT_EQ(report.IdentificationRequests.size(),
            4u + static_cast<std::size_t>(std::count(frame.begin(), frame.end(), 0x02)));
}

TEST(ControllerLogicTest, ApplicationRefusesAnOldVersionWhenAsked) {
  SimOptions options = With(SimScenario::ApplicationFirst);
  options.MinimumVersion = 6400;
  FirmwareJob job = MakeJob(64);
  job.Version = 6399;
  LogicDriver driver{options};
  driver.Send(test::RestartFrame(job), 9600);
  driver.Wait(milliseconds(1000));
  EXPECT_EQ(driver.Logic().Role(), SimRole::Application);
  job.Version = 6400;
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
  ASSERT_EQ(driver.Report().Sessions.size(), 2u);
  EXPECT_EQ(driver.Report().Sessions[0].End, SessionEnd::Idle);
  EXPECT_EQ(driver.Report().Sessions[1].End, SessionEnd::Open);
}

TEST(ControllerLogicTest, ServesJobAfterJob) {
  LogicDriver driver{SimOptions{}};
  for (int i = 0; i < 3; ++i) {
    driver.RunTransfer(MakeJob(1040, static_cast<std::uint32_t>(i)));
    EXPECT_EQ(driver.Wait(milliseconds(1500)), Bytes{0x04});
  }
  EXPECT_EQ(driver.Report().VerdictsSent, 3u);
  EXPECT_EQ(driver.Report().Sessions.size(), 3u);
  EXPECT_TRUE(driver.Report().Violations.empty());
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
  EXPECT_EQ(driver.Report().IdentificationRequests.size(), 12u);
  ASSERT_EQ(driver.Report().RestartFrames.size(), 1u);
  EXPECT_TRUE(driver.Report().RestartFrames[0].Problems.empty());
  EXPECT_FALSE(driver.Report().RestartFrames[0].Accepted);
}

TEST(ScenarioTest, NoHeaderAck) {
  const FirmwareJob job = MakeJob(2048);
  LogicDriver driver{With(SimScenario::NoHeaderAck)};
  EXPECT_EQ(driver.RunTransfer(job), (Bytes{0x02, 0xFD, 0x06, 0x06}));
  EXPECT_FALSE(driver.Report().Sessions[0].Header->Acknowledged);
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
  EXPECT_FALSE(driver.Report().Sessions[0].Identified);
  EXPECT_EQ(driver.Send({0x02}, 38400, milliseconds(500)), Bytes{0xFD});
  EXPECT_TRUE(driver.Report().Sessions[0].Identified);
  driver.Send({0x06});
  EXPECT_EQ(driver.Send(test::HeaderFrame(MakeJob(16)), 38400, milliseconds(10)), Bytes{0x06});
}

struct GroupCase {
  const char* name;
  SimScenario Scenario;
  unsigned Group;
  Bytes answers;  // to a 4096-byte transfer, right away
};

class GroupScenarioTest : public ::testing::TestWithParam<GroupCase> {};

TEST_P(GroupScenarioTest, AnswersTheGroups) {
  LogicDriver driver{With(GetParam().Scenario, GetParam().Group)};
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
  options.AckDelay = milliseconds(1900);
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
  EXPECT_EQ(driver.Report().Sessions[0].End, SessionEnd::VerdictWithheld);
  EXPECT_EQ(driver.Report().VerdictsSent, 0u);
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
  EXPECT_EQ(driver.Report().VerdictsSent, 1u);
  EXPECT_EQ(driver.Report().Sessions[0].End, SessionEnd::Burst);
}

TEST(ScenarioTest, AckAndVerdictInOneWriteOnlyWhenTheLastBlockClosesAGroup) {
  const std::pair<std::size_t, Bytes> cases[] = {{2048, {0x06, 0x04}}, {1040, {0x04}}};
  for (const auto& [length, lastWrite] : cases) {
    LogicDriver driver{With(SimScenario::AckAndVerdictTogether)};
    driver.RunTransfer(MakeJob(length));
    driver.Wait(milliseconds(1000));
    const SimReport& report = driver.Report();
    ASSERT_FALSE(report.Sent.empty());
    EXPECT_EQ(report.Sent.back().Bytes, lastWrite) << length;
    EXPECT_EQ(report.VerdictsSent, 1u) << length;
    EXPECT_EQ(report.Sessions[0].GroupsAcknowledged, length / 1024) << length;
  }
}

TEST(ScenarioTest, NoiseSurroundsEveryAnswerAndNeverLooksLikeOne) {
  SimOptions options = With(SimScenario::Noise);
  options.Seed = 1234;
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
  EXPECT_TRUE(driver.Report().CablePulled);
  EXPECT_EQ(driver.Report().Sessions[0].End, SessionEnd::CablePulled);
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
  ASSERT_EQ(driver.Report().Sessions.size(), 1u);
  EXPECT_EQ(driver.Report().Sessions[0].Firmware, job.Firmware);
}

TEST(ControllerLogicTest, TakeEndedSessionsLeavesTheRunningOne) {
  LogicDriver driver{SimOptions{}};
  driver.RunTransfer(MakeJob(20));
  driver.Wait(milliseconds(100));
  driver.Send({0x02});  // the next job begins
  const std::vector<LoaderSession> ended = driver.Logic().TakeEndedSessions();
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].End, SessionEnd::Verdict);
  ASSERT_EQ(driver.Report().Sessions.size(), 1u);
  EXPECT_EQ(driver.Report().Sessions[0].End, SessionEnd::Open);
  EXPECT_TRUE(driver.Logic().TakeEndedSessions().empty());
}

// The window's simulated controller serves job after job: its report keeps one job's worth.
TEST(ControllerLogicTest, ALongRunningControllerKeepsTheLastJobOnly) {
  LogicDriver driver{LongRunningOptions("normal")};
  const FirmwareJob job = MakeJob(4000);
  for (int i = 0; i < 100; ++i, driver.Wait(milliseconds(100))) driver.RunTransfer(job);
  const SimReport& report = driver.Report();
  std::size_t kept = report.IdentificationRequests.size() + report.RestartFrames.size() +
                     report.Violations.size() + report.Sessions.size();  // one byte a record
  for (const auto* log : {&report.Received, &report.Sent}) {
    for (const LineChunk& chunk : *log) kept += chunk.Bytes.capacity();
  }
  for (const LoaderSession& s : report.Sessions) kept += s.Firmware.capacity();
  EXPECT_EQ(report.VerdictsSent, 100u);
  EXPECT_LT(kept, job.Firmware.size() + 100);
  EXPECT_EQ(report.LastSession()->Firmware, job.Firmware);
}

}  // namespace
}  // namespace quorin::sim
