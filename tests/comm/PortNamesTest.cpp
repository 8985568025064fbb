// "COMn": which device a port name stands for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comm/PortNames.h"

namespace quorin {
namespace {

// A listing as the machine gives it: USB adapters first, then on-board ports.
std::vector<SerialPortInfo> List() {
  std::vector<SerialPortInfo> ports;
  for (const char* path : {"/devx/ttyUSB0", "/devx/ttyUSB1", "/devx/ttyUSB10", "/devx/ttyACM0",
                           "/devx/ttyAMA0", "/devx/ttyS0"}) {
    SerialPortInfo port;
    port.Path = path;
    ports.push_back(port);
  }
  return ports;
}

struct ResolveCase {
  const char* name;
  const char* expected;
};

class ResolveTest : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveTest, ResolvesComNamesAgainstTheListAndKeepsPaths) {
  EXPECT_EQ(ResolvePortName(GetParam().name, List()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ResolveTest,
    ::testing::Values(ResolveCase{"COM1", "/devx/ttyUSB0"}, ResolveCase{"com1", "/devx/ttyUSB0"},
                      ResolveCase{"Com3", "/devx/ttyUSB10"}, ResolveCase{"COM4", "/devx/ttyACM0"},
                      ResolveCase{"COM6", "/devx/ttyS0"}, ResolveCase{"COM7", "/dev/ttyS6"},
                      ResolveCase{"COM12", "/dev/ttyS11"}, ResolveCase{"COM01", "/devx/ttyUSB0"},
                      ResolveCase{"/dev/ttyUSB3", "/dev/ttyUSB3"}, ResolveCase{"/dev/pts/4", "/dev/pts/4"},
                      ResolveCase{"COM0", "COM0"}, ResolveCase{"COM", "COM"},
                      ResolveCase{"COMX", "COMX"}, ResolveCase{"COM3a", "COM3a"},
                      ResolveCase{"xCOM3", "xCOM3"}));

TEST(PortNamesTest, ComPortNumberReadsOnlyComFollowedByANumber) {
  EXPECT_EQ(ComPortNumber("COM3"), 3u);
  EXPECT_EQ(ComPortNumber("com3"), 3u);
  EXPECT_EQ(ComPortNumber("cOm256"), 256u);
  EXPECT_FALSE(ComPortNumber("COM0"));
  EXPECT_FALSE(ComPortNumber("COM-1"));
  EXPECT_FALSE(ComPortNumber("COM 1"));
  EXPECT_FALSE(ComPortNumber("COM99999999999"));
  EXPECT_FALSE(ComPortNumber("/dev/ttyS0"));
}

TEST(PortNamesTest, WithoutAnyListedPortComFallsBackToTheOnBoardName) {
  EXPECT_EQ(ResolvePortName("COM1", {}), "/dev/ttyS0");
  EXPECT_EQ(ResolvePortName("COM2", {}), "/dev/ttyS1");
}

}  // namespace
}  // namespace quorin
