// The job's end of the in-memory loopback line against the SerialDevice contract: the read and
// write time-outs, the stop signal, purging, the line going away. The far end is driven straight
// through the line, from a thread of the test's own.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "comm/LoopbackDevice.h"
#include "platform/LoopbackLine.h"

namespace quorin::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Line = platform::LoopbackLine;
using Ms = std::chrono::milliseconds;
constexpr std::uint32_t kMax = 0xFFFFFFFF;

struct Opened {
  std::shared_ptr<Line> line;
  std::unique_ptr<SerialDevice> device;
};
Opened Open(std::size_t queueSize = 4096) {
  Opened o{std::make_shared<Line>(queueSize), nullptr};
  std::error_code error;
  o.device = OpenLoopbackDevice(o.line, error);
  EXPECT_TRUE(o.device) << error.message();
  return o;
}
void SetTimeouts(SerialDevice& device, std::uint32_t interval, std::uint32_t multiplier,
                 std::uint32_t constant, std::uint32_t writeMultiplier = 0,
                 std::uint32_t writeConstant = 0) {
  CommSettings s;
  s.ReadIntervalTimeout = interval;
  s.ReadTotalTimeoutMultiplier = multiplier;
  s.ReadTotalTimeoutConstant = constant;
  s.WriteTotalTimeoutMultiplier = writeMultiplier;
  s.WriteTotalTimeoutConstant = writeConstant;
  device.ApplyTimeouts(s);
}
// The controller's side: `count` bytes at `at` after the start (at 0: before the read begins).
struct Burst {
  Ms At;
  std::size_t Count;
};
std::thread Feed(const std::shared_ptr<Line>& line, std::vector<Burst> bursts,
                 Clock::time_point start) {
  return std::thread([line, bursts, start] {
    for (const Burst& b : bursts) {
      // Some platforms' sleeps end a little early; the burst must not come before its time.
      while (Clock::now() < start + b.At) std::this_thread::sleep_until(start + b.At);
      const std::vector<std::uint8_t> bytes(b.Count, 0x5A);
      line->Send(Line::End::Controller, bytes);
    }
  });
}

struct ReadCase {
  const char* name;
  std::uint32_t interval, multiplier, constant;
  std::size_t bufferSize;
  std::vector<Burst> bursts;
  std::size_t expected;
  Ms atLeast;  // strict lower bound of the read's time
  Ms below;    // generous upper bound
};

class LoopbackRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(LoopbackRead, EndsWithTheBytesAndAtTheTimeTheTimeOutsSay) {
  const ReadCase& c = GetParam();
  Opened o = Open();
  SetTimeouts(*o.device, c.interval, c.multiplier, c.constant);
  std::vector<Burst> later;
  for (const Burst& b : c.bursts) {
    if (b.At == 0ms) {
      const std::vector<std::uint8_t> bytes(b.Count, 0x5A);
      o.line->Send(Line::End::Controller, bytes);
    } else {
      later.push_back(b);
    }
  }
  std::vector<std::uint8_t> buffer(c.bufferSize);
  const auto start = Clock::now();
  std::thread feeder = Feed(o.line, later, start);
  const IoResult result = o.device->Read(buffer);
  const auto took = Clock::now() - start;
  feeder.join();
  EXPECT_EQ(result.Status, IoStatus::Done);
  EXPECT_EQ(result.Count, c.expected);
  EXPECT_GE(took, c.atLeast);
  EXPECT_LT(took, c.below);
}

INSTANTIATE_TEST_SUITE_P(
    TimeOuts, LoopbackRead,
    ::testing::Values(
        ReadCase{"TotalConstantPassesWithNothing", 0, 0, 150, 10, {}, 0, 150ms, 1500ms},
        ReadCase{"TotalIsMultiplierTimesSizePlusConstant", 0, 20, 50, 10, {}, 0, 250ms, 1600ms},
        ReadCase{"TotalEndsAReadThatHasSomeBytes", 1000, 0, 200, 10, {{0ms, 3}}, 3, 200ms, 900ms},
        ReadCase{
            "IntervalCompletesAfterTheLastByte", 100, 0, 0, 100, {{50ms, 3}}, 3, 150ms, 1500ms},
        ReadCase{"IntervalJoinsBytesCloserThanIt",
                 200,
                 0,
                 0,
                 100,
                 {{0ms, 2}, {100ms, 2}},
                 4,
                 300ms,
                 1800ms},
        ReadCase{"FullBufferCompletesAtOnce", 1000, 0, 0, 4, {{50ms, 6}}, 4, 50ms, 900ms},
        ReadCase{
            "BothOffWaitsForAFullBuffer", 0, 0, 0, 4, {{0ms, 2}, {150ms, 2}}, 4, 150ms, 1500ms},
        ReadCase{"MaxIntervalAloneReturnsAtOnceWithNothing", kMax, 0, 0, 10, {}, 0, 0ms, 500ms},
        ReadCase{"MaxIntervalAloneReturnsWhatIsThere", kMax, 0, 0, 10, {{0ms, 3}}, 3, 0ms, 500ms},
        ReadCase{"MaxIntervalAndMultiplierWaitForTheFirstByte",
                 kMax,
                 kMax,
                 5000,
                 10,
                 {{100ms, 2}},
                 2,
                 100ms,
                 2500ms},
        ReadCase{"MaxIntervalAndMultiplierEndWithNothingAfterTheConstant",
                 kMax,
                 kMax,
                 200,
                 10,
                 {},
                 0,
                 200ms,
                 1500ms}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoopbackWrite, WriteTotalTimeOutEndsAWriteTheFullLineCannotTake) {
  // The line holds 16 bytes and nobody reads: 16 go out, the rest waits until T = 5 x 40 + 100.
  Opened o = Open(16);
  SetTimeouts(*o.device, 0, 0, 0, 5, 100);
  const std::vector<std::uint8_t> data(40, 1);
  const auto start = Clock::now();
  const IoResult result = o.device->Write(data);
  const auto took = Clock::now() - start;
  EXPECT_EQ(result.Status, IoStatus::Done);
  EXPECT_EQ(result.Count, 16u);
  EXPECT_GE(took, 300ms);
  EXPECT_LT(took, 2s);
}

TEST(LoopbackWrite, WithoutTimeOutAWriteWaitsForTheFarEndToMakeRoom) {
  Opened o = Open(16);
  std::vector<std::uint8_t> data(1000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  auto reader = std::async(std::launch::async, [&o, n = data.size()] {
    std::vector<std::uint8_t> got;
    std::vector<std::uint8_t> chunk(64);
    const auto until = Clock::now() + 5s;
    while (got.size() < n && Clock::now() < until) {
      o.line->WaitFor(Line::End::Controller, Line::Direction::Readable, until, {});
      const auto k = o.line->Take(Line::End::Controller, chunk);
      got.insert(got.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(k));
    }
    return got;
  });
  const IoResult result = o.device->Write(data);
  EXPECT_EQ(result.Status, IoStatus::Done);
  EXPECT_EQ(result.Count, data.size());
  EXPECT_EQ(reader.get(), data);
}

// The stop signal ends a read waiting for its first byte and a write waiting for room.
TEST(LoopbackStop, WakesABlockedReadAndABlockedWrite) {
  Opened o = Open(8);
  SetTimeouts(*o.device, 0, 0, 0);
  std::vector<std::uint8_t> buffer(10);
  const std::vector<std::uint8_t> data(100, 3);
  const auto start = Clock::now();
  auto read = std::async(std::launch::async, [&] { return o.device->Read(buffer); });
  auto write = std::async(std::launch::async, [&] { return o.device->Write(data); });
  std::this_thread::sleep_for(100ms);
  ASSERT_EQ(read.wait_for(0ms), std::future_status::timeout);
  ASSERT_EQ(write.wait_for(0ms), std::future_status::timeout);
  o.device->RequestStop();
  ASSERT_EQ(read.wait_for(2s), std::future_status::ready);
  ASSERT_EQ(write.wait_for(2s), std::future_status::ready);
  EXPECT_GE(Clock::now() - start, 100ms);
  EXPECT_EQ(read.get().Status, IoStatus::Stopped);
  const IoResult written = write.get();
  EXPECT_EQ(written.Status, IoStatus::Stopped);
  EXPECT_EQ(written.Count, 8u);
  EXPECT_TRUE(o.device->StopRequested());
  EXPECT_EQ(o.device->Read(buffer).Status, IoStatus::Stopped) << "the stop stays raised";
}

// The controller's end going away: bytes already there come first, then Gone for reads and
// writes; the line can no longer be opened.
TEST(LoopbackGone, FarEndClosingEndsReadsAndWritesAndLaterOpens) {
  Opened o = Open();
  SetTimeouts(*o.device, 0, 0, 0);
  std::vector<std::uint8_t> buffer(10);
  const std::vector<std::uint8_t> three = {1, 2, 3};
  o.line->Send(Line::End::Controller, three);
  auto read = std::async(std::launch::async, [&] { return o.device->Read(buffer); });
  std::this_thread::sleep_for(50ms);
  o.line->Cut();
  ASSERT_EQ(read.wait_for(2s), std::future_status::ready);
  const IoResult first = read.get();
  EXPECT_EQ(first.Status, IoStatus::Done);
  EXPECT_EQ(first.Count, 3u);
  EXPECT_EQ(o.device->Read(buffer).Status, IoStatus::Gone);
  EXPECT_EQ(o.device->Write(three).Status, IoStatus::Gone);
  std::error_code error;
  EXPECT_FALSE(OpenLoopbackDevice(o.line, error));
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

// One job end at a time; closing frees it. The speed set reaches the controller's side; purging
// drops both directions.
TEST(LoopbackOpen, SecondOpenIsBusyAndPurgeAndBaudReachTheLine) {
  Opened o = Open();
  std::error_code error;
  EXPECT_FALSE(OpenLoopbackDevice(o.line, error));
  EXPECT_EQ(error, std::errc::device_or_resource_busy);

  CommSettings settings;
  settings.BaudRate = 38400;
  EXPECT_FALSE(o.device->ApplyLineState(settings));
  EXPECT_EQ(o.line->Baud(), 38400u);

  const std::vector<std::uint8_t> bytes = {7, 8};
  SetTimeouts(*o.device, 0, 0, 0);
  ASSERT_EQ(o.device->Write(bytes).Count, 2u);
  o.line->Send(Line::End::Controller, bytes);
  o.device->Purge(true, true);
  std::vector<std::uint8_t> buffer(4);
  EXPECT_EQ(o.line->Take(Line::End::Controller, buffer), 0u);
  SetTimeouts(*o.device, kMax, 0, 0);
  EXPECT_EQ(o.device->Read(buffer).Count, 0u);

  o.device.reset();
  EXPECT_TRUE(OpenLoopbackDevice(o.line, error)) << error.message();
}

}  // namespace
}  // namespace quorin::test
