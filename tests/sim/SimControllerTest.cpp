#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "sim/SimController.h"
#include "tests/sim/JobBytes.h"
#include "tests/sim/ToolSide.h"

namespace quorin::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;
using test::FirmwareJob;
using test::MakeJob;
using test::ToolSide;

constexpr milliseconds kAnswerLimit(3000);  // generous: the machine may be busy

// The tool's part of a transfer with real pauses; returns every answer it read.
Bytes SendFirmware(ToolSide& tool, const FirmwareJob& job) {
  Bytes answers;
  auto take = [&answers](const Bytes& more) {
    answers.insert(answers.end(), more.begin(), more.end());
  };
  tool.Write(Bytes{0x06});
  std::this_thread::sleep_for(milliseconds(10));
  tool.Write(test::HeaderFrame(job));
  take(tool.Read(1, kAnswerLimit));
  std::this_thread::sleep_for(milliseconds(500));
  const Bytes data = test::DataBlocks(job);
  for (std::size_t at = 0; at < data.size(); at += 16) {
    tool.Write(Bytes(data.begin() + static_cast<std::ptrdiff_t>(at),
                     data.begin() + static_cast<std::ptrdiff_t>(at + 16)));
    if ((at + 16) % 1024 == 0) take(tool.Read(1, kAnswerLimit));
  }
  return answers;
}

TEST(SimControllerTest, HappyPathOverThePseudoTerminal) {
  const std::string output =
      (std::filesystem::temp_directory_path() / ("sim-fw-" + std::to_string(::getpid()))).string();
  SimOptions options;
  options.FirmwareOutputPath = output;
  SimController controller(options);
  controller.Start();
  const FirmwareJob job = MakeJob(2100);
  ToolSide tool(controller.SlavePath(), 38400);
  ASSERT_TRUE(tool.Write(Bytes{0x02}));
  EXPECT_EQ(tool.Read(2, kAnswerLimit), (Bytes{0x02, 0xFD}));
  EXPECT_EQ(SendFirmware(tool, job), (Bytes{0x06, 0x06, 0x06}));
  EXPECT_EQ(tool.Read(1, kAnswerLimit), Bytes{0x04});
  ASSERT_TRUE(controller.WaitForVerdicts(1, kAnswerLimit));

  const SimReport report = controller.Report();
  EXPECT_TRUE(report.Violations.empty()) << report.Violations.front();
  Bytes sent = {0x02, 0x06};
  const Bytes header = test::HeaderFrame(job);
  const Bytes data = test::DataBlocks(job);
  sent.insert(sent.end(), header.begin(), header.end());
  sent.insert(sent.end(), data.begin(), data.end());
  EXPECT_EQ(report.ReceivedBytes(), sent);
  EXPECT_EQ(report.SentBytes(), (Bytes{0x02, 0xFD, 0x06, 0x06, 0x06, 0x04}));
  for (const LineChunk& chunk : report.Received) EXPECT_EQ(chunk.Baud, 38400u);
  ASSERT_EQ(report.Sessions.size(), 1u);
  EXPECT_EQ(report.Sessions[0].Firmware, job.Firmware);
  EXPECT_EQ(report.Sessions[0].Blocks, 132u);
  std::ifstream in(output, std::ios::binary);
  EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
            job.Firmware);
  std::filesystem::remove(output);
}

TEST(SimControllerTest, AFifoAsFirmwareOutputNeverHoldsTheController) {
  const std::string fifo =
      (std::filesystem::temp_directory_path() / ("sim-fifo-" + std::to_string(::getpid())))
          .string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  SimOptions options;
  options.FirmwareOutputPath = fifo;  // nobody reads it
  SimController controller(options);
  controller.Start();
  ToolSide tool(controller.SlavePath(), 38400);
  ASSERT_TRUE(tool.Write(Bytes{0x02}));
  EXPECT_EQ(tool.Read(2, kAnswerLimit), (Bytes{0x02, 0xFD}));
  EXPECT_EQ(SendFirmware(tool, MakeJob(2100)), (Bytes{0x06, 0x06, 0x06}));
  EXPECT_EQ(tool.Read(1, kAnswerLimit), Bytes{0x04});
  const SimReport report = controller.Report();
  ASSERT_FALSE(report.Violations.empty());
  EXPECT_NE(report.Violations.front().find("cannot write the firmware to " + fifo),
            std::string::npos);
  std::filesystem::remove(fifo);
}

TEST(SimControllerTest, ApplicationFirstNeedsTheRestartFrameAt9600) {
  SimOptions options;
  options.Scenario = SimScenario::ApplicationFirst;
  options.LoaderStartDelay = milliseconds(100);
  SimController controller(options);
  controller.Start();
  const FirmwareJob job = MakeJob(64);
  ToolSide tool(controller.SlavePath(), 38400);
  tool.Write(Bytes{0x02});
  EXPECT_EQ(tool.Collect(milliseconds(300)), Bytes{});

  tool.SetBaud(9600);
  std::this_thread::sleep_for(milliseconds(50));
  tool.Write(test::RestartFrame(job));
  ASSERT_TRUE(controller.WaitFor([](const SimReport& r) { return !r.RestartFrames.empty(); },
                                 kAnswerLimit));
  std::this_thread::sleep_for(milliseconds(200));
  tool.Close();  // the tool reopens the port at the loader's speed
  ToolSide reopened(controller.SlavePath(), 38400);
  reopened.Write(Bytes{0x02});
  EXPECT_EQ(reopened.Read(2, kAnswerLimit), (Bytes{0x02, 0xFD}));

  const SimReport report = controller.Report();
  ASSERT_EQ(report.RestartFrames.size(), 1u);
  EXPECT_TRUE(report.RestartFrames[0].Accepted);
  EXPECT_EQ(report.RestartFrames[0].Baud, 9600u);
  EXPECT_EQ(report.RestartFrames[0].Fields.DataSum, job.DataSum);
}

TEST(SimControllerTest, BurstArrivesAsOneWrite) {
  SimOptions options;
  options.Scenario = SimScenario::BurstVerdict;
  SimController controller(options);
  controller.Start();
  ToolSide tool(controller.SlavePath(), 38400);
  tool.Write(Bytes{0x02});
  EXPECT_EQ(tool.Read(2, kAnswerLimit), (Bytes{0x02, 0xFD}));
  SendFirmware(tool, MakeJob(100));
  const Bytes burst = tool.Read(500, kAnswerLimit);
  ASSERT_EQ(burst.size(), 500u);
  EXPECT_EQ(burst[450], 0x04);
  EXPECT_TRUE(controller.WaitForVerdicts(1, kAnswerLimit));
}

TEST(SimControllerTest, CablePulledHangsUpTheToolsEnd) {
  SimOptions options;
  options.Scenario = SimScenario::CablePulled;
  options.Group = 1;
  SimController controller(options);
  controller.Start();
  ToolSide tool(controller.SlavePath(), 38400);
  tool.Write(Bytes{0x02});
  EXPECT_EQ(tool.Read(2, kAnswerLimit), (Bytes{0x02, 0xFD}));
  EXPECT_EQ(SendFirmware(tool, MakeJob(2048)), Bytes{0x06}) << "header only";
  ASSERT_TRUE(controller.WaitFor([](const SimReport& r) { return r.CablePulled; }, kAnswerLimit));
  pollfd p{tool.Fd(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 1000), 1);
  EXPECT_NE(p.revents & POLLHUP, 0);
  std::uint8_t byte = 0x02;
  EXPECT_EQ(::write(tool.Fd(), &byte, 1), -1);
}

TEST(SimControllerTest, WaitsEndOnTimeAndStopIsPrompt) {
  SimController controller;
  controller.Start();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(controller.WaitForVerdicts(1, milliseconds(100)));
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(100));
  controller.Stop();
  controller.Stop();
  controller.Start();  // a stopped controller can run again
  ToolSide tool(controller.SlavePath(), 38400);
  tool.Write(Bytes{0x02});
  EXPECT_EQ(tool.Read(2, kAnswerLimit), (Bytes{0x02, 0xFD}));
}

}  // namespace
}  // namespace quorin::sim
