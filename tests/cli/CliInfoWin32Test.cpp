// quorin-iap-cli info on Windows: a pack whose name and folder hold letters outside ASCII (and
// outside the ANSI code page), passed on the command line in UTF-16.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

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

namespace quorin {
namespace {

// A folder holding a good pack "a.Pack", a broken one, a firmware image and a settings file, the
// last three under names outside ASCII; each case runs the tool there with `{dir}` in its
// arguments standing for the folder as Windows names it and `{src}` for the source tree as an
// absolute path that begins with "/" (under Wine such a path is the build machine's own).
struct FileArgCase {
  const char* name;
  std::vector<std::string> args;
  int exitCode;
  std::string out;             // what stdout begins with
  std::string err;             // what stderr begins with
  const char* made = nullptr;  // a file the run must leave in the folder
};

class CliFileArgsWin32 : public ::testing::TestWithParam<FileArgCase> {};

TEST_P(CliFileArgsWin32, FileNamesReachTheFilesAndDevicesAreRefused) {
  const FileArgCase& c = GetParam();
  TempDir dir;
  const auto good = testing::GoodPackImage();
  WriteImage(dir.File("a.Pack"), *good);
  std::ofstream(dir.Path() / std::filesystem::path(u8"坏-é.Pack"), std::ios::binary) << "short";
  std::ofstream(dir.Path() / std::filesystem::path(u8"固件-é.bin"), std::ios::binary)
      << std::string(100, '\x5A');
  std::ofstream(dir.Path() / std::filesystem::path(u8"réglages-固件.ini")) << "[Uart]\nPort=7\n";
  const std::u8string folder = dir.Path().u8string();
  const std::string source = QUORIN_SOURCE_DIR;  // "Z:/work/..."
  std::vector<std::string> args;
  for (std::string arg : c.args) {
    for (const auto& [key, value] :
         {std::pair<std::string, std::string>{"{dir}", std::string(folder.begin(), folder.end())},
          {"{src}", source.substr(source.find(':') + 1)}}) {
      if (const auto at = arg.find(key); at != std::string::npos)
        arg.replace(at, key.size(), value);
    }
    args.push_back(arg);
  }
  const CliResult result = RunCli(args, dir);
  EXPECT_EQ(result.exitCode, c.exitCode) << args.back() << "\n" << result.err;
  EXPECT_EQ(result.out.rfind(c.out, 0), 0u) << result.out;
  EXPECT_EQ(result.err.rfind(c.err, 0), 0u) << result.err;
  if (c.made != nullptr) {
    EXPECT_TRUE(std::filesystem::is_regular_file(
        dir.Path() / std::filesystem::path(reinterpret_cast<const char8_t*>(c.made))));
  }
}

const std::string kDenied =
    "File access denied.\n  The name is a device, a pipe or a socket, not a pack file; nothing was read";

INSTANTIATE_TEST_SUITE_P(
    Cases, CliFileArgsWin32,
    ::testing::Values(
        FileArgCase{"AbsolutePathWithSlashIsNoOption",
                    {"info", "{src}/examples/demo.Pack"},
                    0,
                    "file: demo.Pack\n",
                    ""},
        FileArgCase{"RefusedPackKeepsItsUtf8NameInJson",
                    {"info", "--json", "{dir}\\坏-é.Pack"},
                    2,
                    "{\"file\": \"坏-é.Pack\", \"error\": {\"code\": 2, \"io-code\": 100, ",
                    ""},
        // Port 7 is read from the file; there is no COM7 here, so the job fails at the port.
        FileArgCase{"SettingsWithAUtf8Name",
                    {"flash", "a.Pack", "--settings", "réglages-固件.ini"},
                    3,
                    "",
                    ""},
        FileArgCase{
            "FirmwareAndOutputWithUtf8Names",
            {"pack", "create", "--firmware", "固件-é.bin", "--version", "1", "-o", "包-é.Pack"},
            0,
            "",
            "",
            "包-é.Pack"},
        FileArgCase{
            "OutputOnTheDrivesCurrentFolder",
            {"pack", "create", "--firmware", "固件-é.bin", "--version", "1", "-o", "C:b.Pack"},
            0,
            "",
            "",
            "b.Pack"},
        FileArgCase{"PackThatIsTheNullDevice", {"info", "NUL"}, 2, "", kDenied},
        FileArgCase{"PackThatIsAReservedNameWithExtension", {"info", "aux.txt"}, 2, "", kDenied},
        FileArgCase{"PackThatIsAComPort", {"info", "COM8"}, 2, "", kDenied},
        FileArgCase{"PackThatIsAComPortsDevicePath", {"info", "\\\\.\\COM8"}, 2, "", kDenied},
        FileArgCase{"FlashPackThatIsAComPort", {"flash", "COM8", "--port", "COM9"}, 2, "", kDenied},
        FileArgCase{"SettingsThatIsADevice",
                    {"flash", "a.Pack", "--settings", "NUL"},
                    2,
                    "",
                    "quorin-iap-cli: no port in the settings file NUL: it is not a regular file"},
        FileArgCase{"PackInAPathOver260Characters",
                    {"info", "{dir}\\" + std::string(120, 'd') + "\\" + std::string(120, 'e') +
                                 "\\..\\..\\a.Pack"},
                    0,
                    "file: a.Pack\n",
                    ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorin
