#include "iap/PackJudgement.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

TEST(JudgePack, BrokenWinsOverTargetAndTargetDecidesTheRest) {
  struct Case {
    bool loaded;
    std::uint32_t target;
    PackVerdict expected;
  };
  const Case cases[] = {
      {true, kOwnTargetCode, PackVerdict::Good},
      {true, 0, PackVerdict::ForeignTarget},
      {true, kOwnTargetCode + 1, PackVerdict::ForeignTarget},
      {true, 0xFFFFFFFFu, PackVerdict::ForeignTarget},
      {false, kOwnTargetCode, PackVerdict::Broken},
      {false, 12345, PackVerdict::Broken},
  };
  for (const Case& c : cases) {
    PackHeader header;
    header.SetTargetCode(c.target);
    EXPECT_EQ(JudgePack(c.loaded, header), c.expected) << c.loaded << " " << c.target;
  }
}

TEST(UpdateKindText, NamesSettingsOnlyFor0xAA) {
  EXPECT_STREQ(UpdateKindText(0xAA), "Update software + settings");
  for (const int kind : {0x00, 0x55, 0xA9, 0xAB, 0xFF}) {
    EXPECT_STREQ(UpdateKindText(static_cast<std::uint8_t>(kind)), "Update software only") << kind;
  }
}

}  // namespace
}  // namespace quorin
