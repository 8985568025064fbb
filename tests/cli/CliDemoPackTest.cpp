// The bundled demo pack: it loads, and examples/make-demo-pack's command rebuilds it byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "tests/cli/CliRunner.h"
#include "tests/pack/TestFiles.h"

namespace quorin {
namespace {

using testing::CliResult;
using testing::ReadText;
using testing::RunCli;
using testing::TempDir;

const std::string kExamples = std::string(QUORIN_SOURCE_DIR) + "/examples/";

TEST(DemoPack, IsAGoodPackForThisTool) {
  TempDir dir;
  const CliResult result = RunCli({"info", kExamples + "demo.Pack"}, dir);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out.rfind("file: demo.Pack\nversion: 6400\ntarget: 20002\n", 0), 0u)
      << result.out;
}

TEST(DemoPack, IsWhatMakeDemoPackBuildsFromTheDemoFirmware) {
  TempDir dir;
  // The same command as examples/make-demo-pack.
  const CliResult result =
      RunCli({"pack", "create", "--firmware", kExamples + "demo-firmware.hex", "--version", "6400",
              "--kind", "software", "--wire-key", "0x5A", "--header-key", "0x31,0x07", "--filler",
              "0xFF", "-o", "demo.Pack"},
             dir);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(ReadText(dir.File("demo.Pack")) == ReadText(kExamples + "demo.Pack"))
      << "examples/demo.Pack differs from what examples/make-demo-pack makes";
}

}  // namespace
}  // namespace quorin
