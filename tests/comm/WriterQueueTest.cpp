// The writer's queue: first in first out, bounded, and Close drops and wakes.
#include <gtest/gtest.h>

#include <thread>

#include "comm/WriterQueue.h"

namespace quorin {
namespace {

TEST(WriterQueueTest, BlocksComeOutInTheOrderTheyWentIn) {
  WriterQueue q;
  for (std::uint8_t i = 0; i < 5; ++i) ASSERT_TRUE(q.Push({i, i}));
  for (std::uint8_t i = 0; i < 5; ++i) {
    auto b = q.TryTake();
    ASSERT_TRUE(b);
    EXPECT_EQ(*b, (std::vector<std::uint8_t>{i, i}));
  }
  EXPECT_FALSE(q.TryTake());
}

TEST(WriterQueueTest, AFullQueueRefusesThePush) {
  WriterQueue q(3);
  EXPECT_TRUE(q.Push({1}));
  EXPECT_TRUE(q.Push({2}));
  EXPECT_TRUE(q.Push({3}));
  EXPECT_FALSE(q.Push({4}));
  q.TryTake();
  EXPECT_TRUE(q.Push({5}));
}

TEST(WriterQueueTest, CloseDropsEverythingRefusesMoreAndWakesAWaitingWriter) {
  WriterQueue q;
  bool woke = false;
  bool gotBlock = true;
  std::thread writer([&] {
    gotBlock = q.WaitForBlock();
    woke = true;
  });
  q.Close();
  writer.join();
  EXPECT_TRUE(woke);
  EXPECT_FALSE(gotBlock);
  EXPECT_FALSE(q.Push({1}));
  EXPECT_EQ(q.Size(), 0u);

  WriterQueue full;
  full.Push({1});
  full.Push({2});
  full.Close();
  EXPECT_EQ(full.Size(), 0u);
  EXPECT_FALSE(full.TryTake());
}

TEST(WriterQueueTest, APushWakesAWaitingWriter) {
  WriterQueue q;
  std::vector<std::uint8_t> got;
  std::thread writer([&] {
    if (q.WaitForBlock()) got = *q.TryTake();
  });
  ASSERT_TRUE(q.Push({9, 8}));
  writer.join();
  EXPECT_EQ(got, (std::vector<std::uint8_t>{9, 8}));
}

}  // namespace
}  // namespace quorin
