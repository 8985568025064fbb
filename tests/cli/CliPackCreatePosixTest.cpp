// quorin-iap-cli pack create against outputs only POSIX makes: FIFOs and links to devices.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>

#include "tests/cli/CliRunner.h"
#include "tests/pack/TestFiles.h"
#include "tests/pack/TestPacks.h"

namespace quorin {
namespace {

using testing::CliResult;
using testing::RandomFirmware;
using testing::RunCli;
using testing::TempDir;
using testing::WriteFile;

struct SpecialOutputCase {
  const char* name;
  std::function<void(const std::string& path)> make;
  std::filesystem::file_type Kind;  // what must still be there afterwards
};

class CliPackCreateSpecialOutput : public ::testing::TestWithParam<SpecialOutputCase> {};

TEST_P(CliPackCreateSpecialOutput, IsRefusedEvenWithForce) {
  TempDir dir;
  WriteFile(dir.File("app.bin"), RandomFirmware(10, 5));
  GetParam().make(dir.File("out"));
  const CliResult result = RunCli(
      {"pack", "create", "--firmware", "app.bin", "--version", "1", "-o", "out", "--force"}, dir);
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.err.find("out exists and is not a regular file"), std::string::npos)
      << result.err;
  EXPECT_EQ(std::filesystem::symlink_status(dir.File("out")).type(), GetParam().Kind);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, CliPackCreateSpecialOutput,
    ::testing::Values(
        SpecialOutputCase{"fifo", [](const std::string& p) { ::mkfifo(p.c_str(), 0600); },
                          std::filesystem::file_type::fifo},
        SpecialOutputCase{
            "link_to_a_device",
            [](const std::string& p) { std::filesystem::create_symlink("/dev/null", p); },
            std::filesystem::file_type::symlink},
        SpecialOutputCase{"folder",
                          [](const std::string& p) { std::filesystem::create_directory(p); },
                          std::filesystem::file_type::directory}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorin
