// What only Windows has: the forms of a COM port's name, and a device that is no serial line.
// (A port held by another program is refused by the Windows driver; Wine does not enforce the
// exclusive share mode on devices, so that case is checked on POSIX only.)
#include <windows.h>

#include <chrono>

#include "tests/comm/CommFixture.h"

namespace quorin::test {
namespace {

class Win32PortTest : public CommFixture {};

struct NameForm {
  const char* name;
  std::string (*spell)(const std::string& comName);
};

class ComNameTest : public CommFixture, public ::testing::WithParamInterface<NameForm> {};

TEST_P(ComNameTest, EveryFormOfTheNameOpensThePort) {
  comm.SetCommName(GetParam().spell(pty.SlavePath()));
  comm.OpenPort();
  const std::uint8_t frame[] = {0x02};
  ASSERT_TRUE(comm.SendData(frame, 1));
  EXPECT_EQ(pty.Read(1, 5s), std::vector<std::uint8_t>{0x02});
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ComNameTest,
    ::testing::Values(NameForm{"Plain", [](const std::string& n) { return n; }},
                      NameForm{"LowerCase",
                               [](const std::string& n) { return "com" + n.substr(3); }},
                      NameForm{"DevicePath", [](const std::string& n) { return "\\\\.\\" + n; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Win32PortTest, ADeviceThatIsNoSerialLineFailsAtTheBuffersStepAndALaterOpenWorks) {
  comm.SetCommName("NUL");
  try {
    comm.OpenPort();
    FAIL() << "no exception";
  } catch (const ECommsError& e) {
    EXPECT_STREQ(e.what(), "初始化缓冲区出错");
    EXPECT_TRUE(e.Reason()) << "no reason kept";
  }
  EXPECT_FALSE(comm.IsOpen());
  comm.SetCommName(pty.SlavePath());
  comm.OpenPort();
  EXPECT_TRUE(comm.IsOpen());
}

}  // namespace
}  // namespace quorin::test
