// The desktop program's command line.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace quorin {
namespace {

struct ArgumentsCase {
  QStringList arguments;
  QString pack;
  bool simulate;
  QString scenario;
  bool error;
};

class CommandLineTest : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(CommandLineTest, Parses) {
  const CommandLine line = ParseCommandLine(GetParam().arguments);
  EXPECT_EQ(line.PackPath, GetParam().pack);
  EXPECT_EQ(line.Simulate, GetParam().simulate);
  EXPECT_EQ(line.Scenario, GetParam().scenario);
  EXPECT_EQ(!line.Error.isEmpty(), GetParam().error) << line.Error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineTest,
    ::testing::Values(
        ArgumentsCase{{}, "", false, "", false},
        ArgumentsCase{{"/home/a/V6.Pack"}, "/home/a/V6.Pack", false, "", false},
        ArgumentsCase{{"--simulate"}, "", true, "", false},
        ArgumentsCase{{"--simulate", "a.Pack"}, "a.Pack", true, "", false},
        ArgumentsCase{{"--simulate", "a.pack"}, "a.pack", true, "", false},
        ArgumentsCase{{"--simulate", "restart", "a.Pack"}, "a.Pack", true, "restart", false},
        ArgumentsCase{{"a.Pack", "--simulate", "silent"}, "a.Pack", true, "silent", false},
        ArgumentsCase{{"--simulate=nak-header"}, "", true, "nak-header", false},
        ArgumentsCase{{"--simulate="}, "", true, "", true},
        ArgumentsCase{{"--frobnicate"}, "", false, "", true},
        ArgumentsCase{{"a.Pack", "b.Pack"}, "a.Pack", false, "", true}));

TEST(CommandLine, Flags) {
  EXPECT_TRUE(ParseCommandLine({"--help"}).ShowHelp);
  EXPECT_TRUE(ParseCommandLine({"--version"}).ShowVersion);
  EXPECT_TRUE(ParseCommandLine({"--measure-startup"}).MeasureStartup);
  EXPECT_FALSE(ParseCommandLine({"x.Pack"}).MeasureStartup);
}

}  // namespace
}  // namespace quorin
