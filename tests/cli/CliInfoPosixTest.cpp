// quorin-iap-cli on names only POSIX allows: quotes, backslashes, controls, bytes that are not
// UTF-8.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "pack/PackWriter.h"
#include "platform/OutsideText.h"
#include "tests/cli/CliRunner.h"
#include "tests/pack/TestFiles.h"
#include "tests/pack/TestPacks.h"

namespace quorin {
namespace {

using testing::CliResult;
using testing::RunCli;
using testing::TempDir;
using testing::WriteImage;

TEST(CliInfoJson, EscapesAnyFileName) {
  TempDir dir;
  const std::string name = "we\"ird\\\x01\xff.Pack";
  WriteImage(dir.File(name), *testing::GoodPackImage());
  const CliResult result = RunCli({"info", "--json", dir.File(name)}, dir);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out.rfind("{\"file\": \"we\\\"ird\\\\\\u0001\\ufffd.Pack\", ", 0), 0u)
      << result.out;
}

// A file name that would act on a terminal is shown cleaned wherever a command prints it, a
// readable one (Chinese) as it is; --json keeps the exact name, escaped.
struct HostileName {
  const char* name;
  std::string file;   // the name's stem
  std::string shown;  // as a terminal may show it
  std::string json;   // as a JSON string holds it
};
class CliHostileName : public ::testing::TestWithParam<HostileName> {};
TEST_P(CliHostileName, IsShownCleanedAndKeptInJson) {
  const HostileName& c = GetParam();
  TempDir dir;
  WriteImage(dir.File(c.file + ".Pack"), *testing::GoodPackImage());
  auto broken = testing::GoodPackImage();
  (*broken)[5] ^= 0x5A;
  WriteImage(dir.File(c.file + "-b.Pack"), *broken);
  testing::WriteFile(dir.File(c.file + ".bin"), std::string(64, 'f'));
  const struct {
    std::vector<std::string> args;
    std::string expected;
  } runs[] = {
      {{"info", dir.File(c.file + ".Pack")}, "file: " + c.shown + ".Pack\n"},
      {{"info", "--json", dir.File(c.file + ".Pack")}, "{\"file\": \"" + c.json + ".Pack\", "},
      {{"info", "--json", dir.File(c.file + "-b.Pack")}, "{\"file\": \"" + c.json + "-b.Pack\", "},
      {{"flash", dir.File(c.file + "-b.Pack"), "--simulate"},
       dir.File(c.shown + "-b.Pack") + ": The header checksum"},
      {{"flash", dir.File(c.file + "-n.Pack"), "--simulate"},
       "Cannot read the pack " + dir.File(c.shown + "-n.Pack") + "; nothing was sent"},
      {{"pack", "create", "--firmware", dir.File(c.file + ".bin"), "--version", "1", "-o",
        dir.File(c.file + "-w.Pack")},
       "wrote " + dir.File(c.shown + "-w.Pack") + ": "},
  };
  for (const auto& run : runs) {
    const CliResult result = RunCli(run.args, dir);
    const std::string both = result.out + result.err;
    EXPECT_NE(both.find(run.expected), std::string::npos) << run.args[0] << ": " << both;
    std::istringstream lines(both);
    for (std::string line; std::getline(lines, line);) {
      EXPECT_EQ(platform::TerminalSafe(line), line) << run.args[0];
    }
  }
}
INSTANTIATE_TEST_SUITE_P(
    Names, CliHostileName,
    ::testing::Values(HostileName{"escape_sequences", "\x1b[31mred\x1b]0;owned\x07",
                                  "?[31mred?]0;owned?", "\\u001b[31mred\\u001b]0;owned\\u0007"},
                      HostileName{"c1_as_utf8",
                                  "csi\xc2\x9b"
                                  "31m",
                                  "csi?31m", "csi\\u009b31m"},
                      HostileName{"c1_raw_byte",
                                  "raw\x9b"
                                  "31m",
                                  "raw?31m", "raw\\ufffd31m"},
                      HostileName{"newline", "two\nlines", "two?lines", "two\\nlines"},
                      HostileName{"bidi_override",
                                  "txt\xe2\x80\xae"
                                  "exe",
                                  "txt?exe", "txt\\u202eexe"},
                      HostileName{"chinese", "固件-测试", "固件-测试", "固件-测试"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorin
