// The desktop program's command line.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace quorin {
namespace {

struct ArgumentsCase {
  std::vector<std::string> arguments;
  std::string pack;
  bool simulate;
  std::string Scenario;
  bool Error;
};

class CommandLineTest : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(CommandLineTest, Parses) {
  const CommandLine line = ParseCommandLine(GetParam().arguments);
  EXPECT_EQ(line.PackPath, GetParam().pack);
  EXPECT_EQ(line.Simulate, GetParam().simulate);
  EXPECT_EQ(line.Scenario, GetParam().Scenario);
  EXPECT_EQ(!line.Error.empty(), GetParam().Error) << line.Error;
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
        ArgumentsCase{{"--simulate", "--measure-startup"}, "", true, "", false},
        ArgumentsCase{{"--simulate=nak-header"}, "", true, "nak-header", false},
        ArgumentsCase{{"--simulate="}, "", true, "", true},
        ArgumentsCase{{"--frobnicate"}, "", false, "", true},
        ArgumentsCase{{"-"}, "-", false, "", false},
        ArgumentsCase{{"a.Pack", "b.Pack"}, "a.Pack", false, "", true},
        ArgumentsCase{{"--", "-x.Pack"}, "-x.Pack", false, "", false},
        ArgumentsCase{{"--simulate", "--", "--help"}, "--help", true, "", false},
        ArgumentsCase{{"--", "a.Pack", "--"}, "a.Pack", false, "", true}));

TEST(CommandLine, FlagsAndErrorTexts) {
  EXPECT_TRUE(ParseCommandLine({"--help"}).ShowHelp);
  EXPECT_TRUE(ParseCommandLine({"-h"}).ShowHelp);
  EXPECT_TRUE(ParseCommandLine({"--version"}).ShowVersion);
  EXPECT_TRUE(ParseCommandLine({"--measure-startup"}).MeasureStartup);
  EXPECT_FALSE(ParseCommandLine({"x.Pack"}).MeasureStartup);
  EXPECT_EQ(ParseCommandLine({"--frobnicate", "--help"}).Error, "unknown option --frobnicate");
  EXPECT_EQ(ParseCommandLine({"a.Pack", "b.Pack"}).Error,
            "only one pack can be opened, got a.Pack and b.Pack");
  EXPECT_EQ(UsageText().rfind("usage: quorin-iap [PACK]\n", 0), 0u);
}

}  // namespace
}  // namespace quorin
