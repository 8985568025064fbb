// What the far end sends reaches OnReceiveData on the loop's thread, chunked by the time-outs.
#include <algorithm>
#include <chrono>
#include <thread>

#include "tests/comm/CommFixture.h"

namespace quorin::test {
namespace {

using Clock = std::chrono::steady_clock;

class ReceiveTest : public CommFixture {};

TEST_F(ReceiveTest, ShortAnswerArrivesAsOneChunkAfterTheIntervalHasPassed) {
  comm.OpenPort();
  const std::vector<std::uint8_t> answer{0x02, 0xFD};
  const auto sent = Clock::now();
  pty.WriteAll(answer);
  ASSERT_TRUE(RunUntil([&] { return !chunks.empty(); }));
  const auto delivered = Clock::now();
  RunFor(300ms);  // nothing more may follow
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0], answer);
  // The reader waits for 100 ms of silence after the last byte before it delivers.
  EXPECT_GE(delivered - sent, 100ms);
}

TEST_F(ReceiveTest, BurstOf5000BytesArrivesInChunksOfAtMost4096InOrder) {
  comm.OpenPort();
  const auto burst = Pattern(5000);
  pty.WriteAll(burst);
  ASSERT_TRUE(RunUntil([&] { return ReceivedSize() >= burst.size(); }));
  RunFor(200ms);
  EXPECT_GE(chunks.size(), 2u);
  for (const auto& c : chunks) {
    EXPECT_GE(c.size(), 1u);
    EXPECT_LE(c.size(), 4096u);
  }
  EXPECT_EQ(Received(), burst);  // nothing lost, nothing repeated
}

class BurstSizeTest : public CommFixture, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(BurstSizeTest, EveryByteArrivesOnceInOrderInFewestChunksAllowed) {
  const std::size_t size = GetParam();
  comm.OpenPort();
  const auto burst = Pattern(size, static_cast<std::uint8_t>(size));
  pty.WriteAll(burst);
  ASSERT_TRUE(RunUntil([&] { return ReceivedSize() >= burst.size(); }, 10s));
  RunFor(150ms);
  EXPECT_EQ(Received(), burst);
  EXPECT_GE(chunks.size(), (size + 4095) / 4096);
  const auto largest = std::max_element(chunks.begin(), chunks.end(),
                                        [](auto& a, auto& b) { return a.size() < b.size(); });
  EXPECT_LE(largest->size(), 4096u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BurstSizeTest,
                         ::testing::Values(1u, 16u, 400u, 4095u, 4096u, 4097u, 12288u, 30000u));

TEST_F(ReceiveTest, ExactlyOneFullBufferArrivesAsOneChunkOf4096) {
  comm.OpenPort();
  const auto burst = Pattern(4096, 9);
  pty.WriteAll(burst);
  ASSERT_TRUE(RunUntil([&] { return ReceivedSize() >= burst.size(); }));
  RunFor(200ms);
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0].size(), 4096u);
}

TEST_F(ReceiveTest, OneMillisecondIntervalNeverJoinsBurstsSeparatedByPauses) {
  comm.SetReadIntervalTimeout(1);
  comm.OpenPort();
  for (std::uint8_t i = 1; i <= 3; ++i) {
    pty.WriteAll(std::vector<std::uint8_t>{i, i, i});
    ASSERT_TRUE(RunUntil([&] { return ReceivedSize() == 3u * i; }));
    std::this_thread::sleep_for(20ms);  // far longer than the interval
  }
  EXPECT_EQ(Received(), (std::vector<std::uint8_t>{1, 1, 1, 2, 2, 2, 3, 3, 3}));
  EXPECT_GE(chunks.size(), 3u);
  for (const auto& c : chunks) {
    EXPECT_EQ(std::count(c.begin(), c.end(), c.front()), static_cast<std::ptrdiff_t>(c.size()))
        << "one chunk carries two bursts";
  }
}

TEST_F(ReceiveTest, IntervalChangedWhileOpenGovernsTheNextRead) {
  comm.OpenPort();
  comm.SetReadIntervalTimeout(400);
  const auto sent = Clock::now();
  pty.WriteAll(std::vector<std::uint8_t>{0x06});
  ASSERT_TRUE(RunUntil([&] { return !chunks.empty(); }));
  // The read that was already pending took the old interval; at least it is no shorter.
  EXPECT_GE(Clock::now() - sent, 100ms);
  chunks.clear();
  const auto second = Clock::now();
  pty.WriteAll(std::vector<std::uint8_t>{0x04});
  ASSERT_TRUE(RunUntil([&] { return !chunks.empty(); }));
  EXPECT_GE(Clock::now() - second, 400ms);
}

TEST_F(ReceiveTest, NullBytesAreDroppedOnlyWhenIgnoreNullCharIsSet) {
  comm.SetIgnoreNullChar(true);
  comm.OpenPort();
  pty.WriteAll(std::vector<std::uint8_t>{1, 0, 2, 0, 0, 3});
  ASSERT_TRUE(RunUntil([&] { return ReceivedSize() >= 3; }));
  RunFor(150ms);
  EXPECT_EQ(Received(), (std::vector<std::uint8_t>{1, 2, 3}));

  comm.SetIgnoreNullChar(false);  // re-applied at once while open
  chunks.clear();
  pty.WriteAll(std::vector<std::uint8_t>{0, 4});
  ASSERT_TRUE(RunUntil([&] { return ReceivedSize() >= 2; }));
  EXPECT_EQ(Received(), (std::vector<std::uint8_t>{0, 4}));
}

TEST_F(ReceiveTest, ReadEndingWithNothingAfterATotalTimeOutEndsOnlyTheReader) {
  comm.SetReadIntervalTimeout(0);
  comm.SetReadTotalTimeoutConstant(50);
  const auto threadsBefore = ThreadCount();
  comm.OpenPort();
  ASSERT_TRUE(RunUntil([&] { return sendEmpty == 1; }));
  // The reader ends by itself: one thread (the writer) is left.
  ASSERT_TRUE(RunUntil([&] { return ThreadCount() == threadsBefore + 1; }));
  pty.WriteAll(std::vector<std::uint8_t>{0x55});
  RunFor(200ms);
  EXPECT_TRUE(chunks.empty());
  EXPECT_EQ(hangups, 0);  // silently
  // The writer and the port go on.
  EXPECT_TRUE(comm.IsOpen());
  const std::uint8_t frame[] = {0x02};
  ASSERT_TRUE(comm.SendData(frame, 1));
  EXPECT_EQ(pty.Read(1, 2s), std::vector<std::uint8_t>{0x02});
  comm.ClosePort();
  EXPECT_EQ(ThreadCount(), threadsBefore);
}

TEST_F(ReceiveTest, TotalTimeOutDeliversWhatCameWithoutWaitingForAFullBuffer) {
  comm.SetReadIntervalTimeout(0);
  comm.SetReadTotalTimeoutConstant(300);
  comm.OpenPort();
  pty.WriteAll(std::vector<std::uint8_t>{7, 8, 9});
  ASSERT_TRUE(RunUntil([&] { return !chunks.empty(); }));
  EXPECT_EQ(chunks[0], (std::vector<std::uint8_t>{7, 8, 9}));
}

TEST_F(ReceiveTest, BytesNotYetDeliveredWhenTheComponentDiesAreSkippedSafely) {
  auto doomed = std::make_unique<TComm>(loop);
  doomed->SetCommName(pty.SlavePath());
  doomed->SetReadIntervalTimeout(1);
  int calls = 0;
  doomed->OnReceiveData = [&](TComm&, const std::uint8_t*, std::uint16_t) { ++calls; };
  doomed->OnSendDataEmpty = [&](TComm&) { ++calls; };
  doomed->OpenPort();
  pty.WriteAll(std::vector<std::uint8_t>{1, 2, 3});
  // Give the reader time to post the chunk; the loop does not run it yet.
  std::this_thread::sleep_for(200ms);
  doomed.reset();  // closes the port; the posted notifications stay queued
  EXPECT_GE(loop.ProcessPending(), 1u);
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace quorin::test
