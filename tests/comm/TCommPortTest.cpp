// Opening, closing and sending on a serial line, on every platform (TestPty.h says what stands in
// for the line). Cases only a pseudo-terminal of our own can play are in TCommPortPosixTest.cpp.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "tests/comm/CommFixture.h"

namespace quorin::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kOpenFailed = "打开串口出错\r\n此串口不存在或被占用";

class PortTest : public CommFixture {};

TEST_F(PortTest, OpenSendCloseMovesTheBytesOnce) {
  EXPECT_FALSE(comm.IsOpen());
  comm.OpenPort();
  EXPECT_TRUE(comm.IsOpen());
  const std::uint8_t one[] = {0x02};
  ASSERT_TRUE(comm.SendData(one, 1));
  EXPECT_EQ(pty.Read(1, 2s), std::vector<std::uint8_t>{0x02});
  EXPECT_TRUE(pty.ReadUntilQuiet(100ms).empty());  // once
  comm.ClosePort();
  EXPECT_FALSE(comm.IsOpen());
}

TEST_F(PortTest, SendDataRefusesWhenClosedOrEmpty) {
  const std::uint8_t bytes[] = {1, 2, 3};
  EXPECT_FALSE(comm.SendData(bytes, 3));  // never opened
  comm.OpenPort();
  EXPECT_FALSE(comm.SendData(bytes, 0));
  EXPECT_FALSE(comm.SendData(nullptr, 3));
  comm.ClosePort();
  EXPECT_FALSE(comm.SendData(bytes, 3));  // closed again
  EXPECT_EQ(pty.ReadUntilQuiet(100ms).size(), 0u);
}

TEST_F(PortTest, CallersBufferReusedRightAfterSendDataDoesNotChangeWhatGoesOut) {
  comm.OpenPort();
  std::vector<std::uint8_t> buffer = Pattern(1000, 1);
  const auto first = buffer;
  ASSERT_TRUE(comm.SendData(buffer.data(), static_cast<std::uint16_t>(buffer.size())));
  std::fill(buffer.begin(), buffer.end(), 0xEE);
  ASSERT_TRUE(comm.SendData(buffer.data(), 16));
  std::fill(buffer.begin(), buffer.end(), 0x11);
  auto expected = first;
  expected.insert(expected.end(), 16, 0xEE);
  EXPECT_EQ(pty.Read(expected.size(), 5s), expected);
}

TEST_F(PortTest, LargeBlocksCutShortByTheDriverAreContinuedInOrder) {
  comm.OpenPort();
  // Far more than the line holds at once: every write comes back short and is continued.
  const auto a = Pattern(65535, 3);
  const auto b = Pattern(40000, 77);
  ASSERT_TRUE(comm.SendData(a.data(), static_cast<std::uint16_t>(a.size())));
  ASSERT_TRUE(comm.SendData(b.data(), static_cast<std::uint16_t>(b.size())));
  const auto got = pty.Read(a.size() + b.size(), 20s);
  ASSERT_EQ(got.size(), a.size() + b.size());
  EXPECT_TRUE(std::equal(a.begin(), a.end(), got.begin()));
  EXPECT_TRUE(std::equal(b.begin(), b.end(), got.begin() + static_cast<std::ptrdiff_t>(a.size())));
}

TEST_F(PortTest, ManySmallFramesGoOutFirstInFirstOut) {
  comm.OpenPort();
  std::vector<std::uint8_t> expected;
  for (int i = 0; i < 500; ++i) {
    const auto frame = Pattern(16, static_cast<std::uint8_t>(i));
    ASSERT_TRUE(comm.SendData(frame.data(), 16));
    expected.insert(expected.end(), frame.begin(), frame.end());
  }
  EXPECT_EQ(pty.Read(expected.size(), 10s), expected);
}

TEST_F(PortTest, OpenPortWhenOpenRaisesAndTheOpenPortKeepsWorking) {
  comm.OpenPort();
  try {
    comm.OpenPort();
    FAIL() << "no exception";
  } catch (const ECommsError& e) {
    EXPECT_STREQ(e.what(), "此串口已经打开");
  }
  EXPECT_TRUE(comm.IsOpen());
  const std::uint8_t frame[] = {0x06};
  ASSERT_TRUE(comm.SendData(frame, 1));
  EXPECT_EQ(pty.Read(1, 2s), std::vector<std::uint8_t>{0x06});
  pty.WriteAll(std::vector<std::uint8_t>{0x04});
  EXPECT_TRUE(RunUntil([&] { return ReceivedSize() == 1; }));
}

struct OpenFailureCase {
  const char* name;
  const char* commName;
  const char* Text;
  std::errc reason;
};

class OpenFailureTest : public CommFixture,
                        public ::testing::WithParamInterface<OpenFailureCase> {};

TEST_P(OpenFailureTest, RaisesTheComponentsTextKeepsTheReasonAndALaterOpenWorks) {
  const auto& c = GetParam();
  comm.SetCommName(c.commName);
  const auto threads = ThreadCount();
  const auto fds = OpenDescriptorCount();
  try {
    comm.OpenPort();
    FAIL() << "no exception";
  } catch (const ECommsError& e) {
    EXPECT_STREQ(e.what(), c.Text);
    // Compared as a condition: the reason is the system's own code (errno, or a Win32 error).
    EXPECT_TRUE(e.Reason() == c.reason) << e.Reason().message();
  }
  EXPECT_FALSE(comm.IsOpen());
  EXPECT_EQ(ThreadCount(), threads);
  EXPECT_EQ(OpenDescriptorCount(), fds);
  comm.SetCommName(pty.SlavePath());
  comm.OpenPort();
  EXPECT_TRUE(comm.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenFailureTest,
                         ::testing::Values(OpenFailureCase{"MissingPath",
                                                           "/dev/quorin-no-such-port", kOpenFailed,
                                                           std::errc::no_such_file_or_directory},
                                           OpenFailureCase{"MissingComPort", "COM4000", kOpenFailed,
                                                           std::errc::no_such_file_or_directory}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortTest, ClosePortIsHarmlessWhenNeverOpenedAndWhenCalledTwice) {
  comm.ClosePort();
  EXPECT_FALSE(comm.IsOpen());
  comm.OpenPort();
  comm.ClosePort();
  comm.ClosePort();
  EXPECT_FALSE(comm.IsOpen());
  comm.OpenPort();  // the cycle repeats on one component
  EXPECT_TRUE(comm.IsOpen());
}

TEST_F(PortTest, SendDataEmptyFiresOnceAfterEachOpenAndOnceAfterEachDrain) {
  comm.OpenPort();
  ASSERT_TRUE(RunUntil([&] { return sendEmpty == 1; }));
  RunFor(200ms);
  EXPECT_EQ(sendEmpty, 1);

  const std::uint8_t frame[] = {1, 2, 3};
  ASSERT_TRUE(comm.SendData(frame, 3));
  ASSERT_EQ(pty.Read(3, 2s).size(), 3u);
  ASSERT_TRUE(RunUntil([&] { return sendEmpty == 2; }));
  RunFor(200ms);
  EXPECT_EQ(sendEmpty, 2);

  comm.ClosePort();
  comm.OpenPort();
  ASSERT_TRUE(RunUntil([&] { return sendEmpty == 3; }));
  RunFor(200ms);
  EXPECT_EQ(sendEmpty, 3);
}

TEST_F(PortTest, ClosePortDuringAPendingReadReturnsPromptlyAndLeavesNoThread) {
  const auto threads = ThreadCount();
  comm.OpenPort();
  ASSERT_TRUE(RunUntil([&] { return sendEmpty == 1; }));
  pty.WriteAll(std::vector<std::uint8_t>{1, 2, 3});  // a chunk still gathering
  const auto start = Clock::now();
  comm.ClosePort();
  EXPECT_LT(Clock::now() - start, 5s);
  EXPECT_EQ(ThreadCount(), threads);
}

TEST_F(PortTest, ClosePortDuringABlockedWriteReturnsAndDropsWhatIsQueued) {
  const auto threads = ThreadCount();
  comm.OpenPort();
  const auto block = Pattern(65535, 5);
  constexpr int kBlocks = 8;
  for (int i = 0; i < kBlocks; ++i) ASSERT_TRUE(comm.SendData(block.data(), 65535));
  // The far end reads nothing: wait until the line is full and the writer blocks.
  int before = -1;
  for (int settled = 0; settled < 5;) {
    std::this_thread::sleep_for(20ms);
    const int now = pty.Pending();
    settled = (now > 0 && now == before) ? settled + 1 : 0;
    before = now;
  }
  const auto start = Clock::now();
  comm.ClosePort();
  EXPECT_LT(Clock::now() - start, 5s);
  EXPECT_EQ(ThreadCount(), threads);
  const auto arrived = pty.ReadUntilQuiet(200ms);
  EXPECT_LT(arrived.size(), block.size() * kBlocks);
  // The port is usable again at once and carries nothing left over from before.
  comm.OpenPort();
  const std::uint8_t frame[] = {0x02};
  ASSERT_TRUE(comm.SendData(frame, 1));
  EXPECT_EQ(pty.Read(1, 2s), std::vector<std::uint8_t>{0x02});
  EXPECT_TRUE(pty.ReadUntilQuiet(200ms).empty());
}

TEST_F(PortTest, ThreadsWhosePostsAreRefusedEndWithoutLeakingTheirBytes) {
  const auto threads = ThreadCount();
  comm.OpenPort();
  ASSERT_TRUE(RunUntil([&] { return sendEmpty == 1; }));
  loop.Shutdown();  // the UI thread takes nothing more
  // The reader's chunk is refused: it ends (its hang-up post is refused too).
  pty.WriteAll(std::vector<std::uint8_t>{1, 2, 3});
  const auto deadline = Clock::now() + 5s;
  while (ThreadCount() != threads + 1 && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
  EXPECT_EQ(ThreadCount(), threads + 1);
  // The writer sends, then its "queue drained" is refused: it ends and refuses further blocks.
  const std::uint8_t frame[] = {0x02};
  ASSERT_TRUE(comm.SendData(frame, 1));
  while (ThreadCount() != threads && Clock::now() < deadline + 5s) std::this_thread::sleep_for(5ms);
  EXPECT_EQ(ThreadCount(), threads);
  EXPECT_FALSE(comm.SendData(frame, 1));
  comm.ClosePort();
}

TEST_F(PortTest, ThousandOpenSendCloseCyclesLeaveDescriptorsAndThreadsWhereTheyWere) {
  // Warm up once so lazily created process state is not counted as a leak.
  comm.OpenPort();
  comm.ClosePort();
  loop.ProcessPending();
  const auto fds = OpenDescriptorCount();
  const auto threads = ThreadCount();
  const std::uint8_t frame[] = {0x02, 0x06};
  for (int i = 0; i < 1000; ++i) {
    comm.OpenPort();
    ASSERT_TRUE(comm.SendData(frame, 2));
    comm.ClosePort();
    loop.ProcessPending();
    if (i % 64 == 0) pty.ReadUntilQuiet(0ms);
  }
  EXPECT_EQ(OpenDescriptorCount(), fds);
  EXPECT_EQ(ThreadCount(), threads);
}

}  // namespace
}  // namespace quorin::test
