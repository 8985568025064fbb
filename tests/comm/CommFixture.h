#pragma once
// A TComm with AVS1's stored line settings on a pseudo-terminal, an EventLoop played by the test's
// own thread, and a record of every event the component raised.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "comm/EventLoop.h"
#include "comm/TComm.h"
#include "tests/comm/TestPty.h"

namespace quorin::test {

using namespace std::chrono_literals;

// AVS1's stored values: the defaults except Outx_XonXoffFlow off.
inline void ApplyAvs1Settings(TComm& comm) { comm.SetOutx_XonXoffFlow(false); }

class CommFixture : public ::testing::Test {
 protected:
  CommFixture() {
    comm.SetCommName(pty.SlavePath());
    ApplyAvs1Settings(comm);
    // Events run only on the loop's thread, which is the test's own.
    comm.OnReceiveData = [this](TComm& sender, const std::uint8_t* buffer, std::uint16_t length) {
      EXPECT_EQ(&sender, &comm);
      EXPECT_EQ(std::this_thread::get_id(), uiThread);
      chunks.emplace_back(buffer, buffer + length);
    };
    comm.OnSendDataEmpty = [this](TComm&) {
      EXPECT_EQ(std::this_thread::get_id(), uiThread);
      ++sendEmpty;
    };
    comm.OnRequestHangup = [this](TComm&) {
      EXPECT_EQ(std::this_thread::get_id(), uiThread);
      ++hangups;
    };
  }

  // Runs the loop until `done` or a generous bound; returns done().
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds bound = 5s) {
    return loop.RunUntil(done, bound);
  }
  // Runs the loop for `span` whatever comes.
  void RunFor(std::chrono::milliseconds span) {
    loop.RunUntil([] { return false; }, span);
  }
  std::vector<std::uint8_t> Received() const {
    std::vector<std::uint8_t> all;
    for (const auto& c : chunks) all.insert(all.end(), c.begin(), c.end());
    return all;
  }
  std::size_t ReceivedSize() const { return Received().size(); }

  const std::thread::id uiThread = std::this_thread::get_id();
  EventLoop loop;
  TestPty pty;
  TComm comm{loop};
  std::vector<std::vector<std::uint8_t>> chunks;
  int sendEmpty = 0;
  int hangups = 0;
};

}  // namespace quorin::test
