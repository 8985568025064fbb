// quorin-iap-cli info on Windows: a pack whose name and folder hold letters outside ASCII (and
// outside the ANSI code page), passed on the command line in UTF-16.
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

TEST(CliInfoWin32, APackWithAChineseNameInAFolderWithAccentsIsShownByItsName) {
  TempDir dir;
  const std::filesystem::path folder = dir.Path() / std::filesystem::path(u8"Fahrräder-прошивка");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  const std::filesystem::path pack = folder / std::filesystem::path(u8"固件-6400.Pack");
  {
    const auto image = testing::GoodPackImage();
    std::ofstream out(pack, std::ios::binary);
    out.write(reinterpret_cast<const char*>(image->data()),
              static_cast<std::streamsize>(image->size()));
    ASSERT_TRUE(out.good());
  }
  const std::u8string utf8 = pack.u8string();
  const std::string path(utf8.begin(), utf8.end());
  const CliResult text = RunCli({"info", path}, dir);
  EXPECT_EQ(text.exitCode, 0) << text.err;
  EXPECT_EQ(text.out.rfind("file: 固件-6400.Pack\nversion: 6400\n", 0), 0u) << text.out;
  const CliResult json = RunCli({"info", "--json", path}, dir);
  EXPECT_EQ(json.out.rfind("{\"file\": \"固件-6400.Pack\", ", 0), 0u) << json.out;
  const CliResult missing = RunCli({"info", path + ".gone"}, dir);
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_EQ(missing.err, "File not found.\n  There is no file of that name.\n");
}

}  // namespace
}  // namespace quorin
