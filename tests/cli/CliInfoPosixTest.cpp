// quorin-iap-cli info on names only POSIX allows: quotes, backslashes, bytes that are not UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "pack/PackWriter.h"
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

}  // namespace
}  // namespace quorin
