#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "iap/JobState.h"
#include "iap/ReceiveClassifier.h"

namespace quorin {
namespace {

struct Flags {
  std::uint8_t stx, fd, ack, eot;
  bool operator==(const Flags&) const = default;
};
Flags Read(const JobState& s) { return {s.StxSeen.load(), s.FdSeen.load(), s.AckSeen.load(), s.EotSeen.load()}; }

void Deliver(JobState& state, const std::vector<std::uint8_t>& bytes) {
  AVS1ReceiveData(state, bytes.data(), static_cast<std::uint16_t>(bytes.size()));
}

TEST(Classifier, EveryByteValueSetsOnlyItsOwnFlag) {
  for (int value = 0; value < 256; ++value) {
    JobState state;
    Deliver(state, {static_cast<std::uint8_t>(value)});
    const Flags expected{value == 0x02, value == 0xFD, value == 0x06, value == 0x04};
    EXPECT_EQ(Read(state), expected) << "byte 0x" << std::hex << value;
  }
}

TEST(Classifier, AllFourInOneDeliveryAmongNoise) {
  JobState state;
  Deliver(state, {0x55, 0xFD, 0x13, 0x04, 0x11, 0x06, 0x00, 0x02, 0xFF});
  EXPECT_EQ(Read(state), (Flags{1, 1, 1, 1}));
  EXPECT_EQ(state.PortOk.load(), 0);
  EXPECT_EQ(state.JobBusy.load(), 0);
}

struct PositionCase {
  std::size_t length;
  std::size_t eotAt;  // index from 0
  bool seen;
};
class ClassifierWindow : public ::testing::TestWithParam<PositionCase> {};
TEST_P(ClassifierWindow, LooksAtTheFirst400BytesOnly) {
  std::vector<std::uint8_t> burst(GetParam().length, 0x55);
  burst[GetParam().eotAt] = 0x04;
  JobState state;
  Deliver(state, burst);
  EXPECT_EQ(state.EotSeen.load(), GetParam().seen ? 1 : 0);
}
INSTANTIATE_TEST_SUITE_P(Bursts, ClassifierWindow,
                         ::testing::Values(PositionCase{500, 450, false},
                                           PositionCase{500, 400, false},
                                           PositionCase{500, 399, true},
                                           PositionCase{4096, 4095, false},
                                           PositionCase{400, 399, true}));

TEST(Classifier, NeverClearsAFlag) {
  JobState state;
  state.StxSeen = 1;
  state.FdSeen = 1;
  state.AckSeen = 1;
  state.EotSeen = 1;
  Deliver(state, std::vector<std::uint8_t>(300, 0x00));
  EXPECT_EQ(Read(state), (Flags{1, 1, 1, 1}));
}

TEST(Classifier, EmptyOrMissingBufferChangesNothing) {
  JobState state;
  const std::uint8_t ack = 0x06;
  AVS1ReceiveData(state, &ack, 0);
  AVS1ReceiveData(state, nullptr, 10);
  EXPECT_EQ(Read(state), (Flags{0, 0, 0, 0}));
}

}  // namespace
}  // namespace quorin
