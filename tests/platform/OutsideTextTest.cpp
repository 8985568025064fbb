// Outside text made safe for a terminal.
#include <gtest/gtest.h>

#include <string>

#include "platform/OutsideText.h"

namespace quorin::platform {
namespace {

struct SafeCase {
  const char* name;
  std::string in;
  std::string out;
};

class TerminalSafeTest : public ::testing::TestWithParam<SafeCase> {};

TEST_P(TerminalSafeTest, ReplacesWhatATerminalActsOnAndKeepsPrintableText) {
  EXPECT_EQ(TerminalSafe(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TerminalSafeTest,
    ::testing::Values(SafeCase{"Ascii", "app-6400.Pack", "app-6400.Pack"},
                      SafeCase{"Chinese", "固件 v2.Pack", "固件 v2.Pack"},
                      SafeCase{"EscapeAndNewline", "a\x1b]0;x\x07\nb", "a?]0;x??b"},
                      SafeCase{"Delete",
                               "a\x7f"
                               "b",
                               "a?b"},
                      SafeCase{"C1AsUtf8",
                               "a\xc2\x9b"
                               "31mb\xc2\x85",
                               "a?31mb?"},
                      SafeCase{"RawC1Bytes",
                               "a\x9b"
                               "31m\x85",
                               "a?31m?"},
                      SafeCase{"LastPrintableBeforeAndFirstAfterC1", "\xc2\xa0\x7e",
                               "\xc2\xa0\x7e"},
                      SafeCase{"BidiOverride", "evil\xe2\x80\xaekcaP.exe", "evil?kcaP.exe"},
                      SafeCase{"Overlong", "\xc0\xaf", "??"},
                      SafeCase{"Surrogate", "\xed\xa0\x80", "???"},
                      SafeCase{"CutSequenceAtEnd", "ab\xe5\x9b", "ab??"},
                      SafeCase{"FourByteEmoji", "\xf0\x9f\x9a\xb2", "\xf0\x9f\x9a\xb2"}),
    [](const auto& info) { return info.param.name; });

TEST(TerminalSafeLimit, CutsBetweenCharactersAndMarksTheCut) {
  EXPECT_EQ(TerminalSafe("固件固件", 7), "固件...");
  EXPECT_EQ(TerminalSafe("short", 7), "short");
}

}  // namespace
}  // namespace quorin::platform
