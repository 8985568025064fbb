// quorin-iap-cli on names only POSIX allows: quotes, backslashes, controls, bytes that are not
// UTF-8.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>

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
  std::string file, shown, json;  // the name's stem; as a terminal may show it; as JSON holds it
};
class CliHostileName : public ::testing::TestWithParam<HostileName> {};
TEST_P(CliHostileName, IsShownCleanedAndKeptInJson) {
  const HostileName& c = GetParam();
  TempDir dir;
  const auto pack = [&](const std::string& stem, const char* end) { return dir.File(stem + end); };
  WriteImage(pack(c.file, ".Pack"), *testing::GoodPackImage());
  auto broken = testing::GoodPackImage();
  (*broken)[5] ^= 0x5A;
  WriteImage(pack(c.file, "-b.Pack"), *broken);
  testing::WriteFile(pack(c.file, ".bin"), std::string(64, 'f'));
  const std::pair<std::vector<std::string>, std::string> runs[] = {
      {{"info", pack(c.file, ".Pack")}, "file: " + c.shown + ".Pack\n"},
      {{"info", "--json", pack(c.file, ".Pack")}, "{\"file\": \"" + c.json + ".Pack\", "},
      {{"info", "--json", pack(c.file, "-b.Pack")}, "{\"file\": \"" + c.json + "-b.Pack\", "},
      {{"flash", pack(c.file, "-b.Pack"), "--simulate"}, pack(c.shown, "-b.Pack: The header")},
      {{"flash", pack(c.file, "-n.Pack"), "--simulate"}, pack(c.shown, "-n.Pack; nothing")},
      {{"flash", "x", "--simulate=" + c.file}, "--simulate: " + c.shown + " not in"},
      {{"pack", "create", "--firmware", pack(c.file, ".bin"), "--version", "1", "-o",
        pack(c.file, "-w.Pack")}, "wrote " + pack(c.shown, "-w.Pack: ")}};
  for (const auto& [args, expected] : runs) {
    const CliResult result = RunCli(args, dir);
    std::istringstream lines(result.out + result.err);
    EXPECT_NE(lines.str().find(expected), std::string::npos) << args[0] << ": " << lines.str();
    for (std::string line; std::getline(lines, line);) EXPECT_EQ(platform::TerminalSafe(line), line);
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
