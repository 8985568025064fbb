// The termios picture of each line setting.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "comm/LineStatePosix.h"

namespace quorin {
namespace {

struct MappingCase {
  const char* name;
  std::function<void(CommSettings&)> change;
  tcflag_t termios::*field;
  tcflag_t mask;
  tcflag_t expected;
};

class MapLineStateTest : public ::testing::TestWithParam<MappingCase> {};

TEST_P(MapLineStateTest, SetsExactlyTheFlagsOfTheSetting) {
  CommSettings s;
  GetParam().change(s);
  termios tio{};
  MapLineState(s, tio);
  EXPECT_EQ(tio.*(GetParam().field) & GetParam().mask, GetParam().expected);
}

auto Set(auto member, auto value) {
  return [member, value](CommSettings& s) { s.*member = value; };
}

INSTANTIATE_TEST_SUITE_P(
    Settings, MapLineStateTest,
    ::testing::Values(
        MappingCase{"Bits5", Set(&CommSettings::ByteSize, TByteSize::_5), &termios::c_cflag, CSIZE, CS5},
        MappingCase{"Bits6", Set(&CommSettings::ByteSize, TByteSize::_6), &termios::c_cflag, CSIZE, CS6},
        MappingCase{"Bits7", Set(&CommSettings::ByteSize, TByteSize::_7), &termios::c_cflag, CSIZE, CS7},
        MappingCase{"Bits8", Set(&CommSettings::ByteSize, TByteSize::_8), &termios::c_cflag, CSIZE, CS8},
        MappingCase{"ParityNone", Set(&CommSettings::Parity, TParity::None), &termios::c_cflag,
                    PARENB | PARODD | CMSPAR, 0},
        MappingCase{"ParityOdd", Set(&CommSettings::Parity, TParity::Odd), &termios::c_cflag,
                    PARENB | PARODD | CMSPAR, PARENB | PARODD},
        MappingCase{"ParityEven", Set(&CommSettings::Parity, TParity::Even), &termios::c_cflag,
                    PARENB | PARODD | CMSPAR, PARENB},
        MappingCase{"ParityMark", Set(&CommSettings::Parity, TParity::Mark), &termios::c_cflag,
                    PARENB | PARODD | CMSPAR, PARENB | PARODD | CMSPAR},
        MappingCase{"ParitySpace", Set(&CommSettings::Parity, TParity::Space), &termios::c_cflag,
                    PARENB | PARODD | CMSPAR, PARENB | CMSPAR},
        MappingCase{"Stop1", Set(&CommSettings::StopBits, TStopBits::_1), &termios::c_cflag, CSTOPB, 0},
        MappingCase{"Stop1_5", Set(&CommSettings::StopBits, TStopBits::_1_5), &termios::c_cflag, CSTOPB,
                    CSTOPB},
        MappingCase{"Stop2", Set(&CommSettings::StopBits, TStopBits::_2), &termios::c_cflag, CSTOPB, CSTOPB},
        MappingCase{"CtsFlow", Set(&CommSettings::Outx_CtsFlow, true), &termios::c_cflag, CRTSCTS, CRTSCTS},
        MappingCase{"RtsHandshake", Set(&CommSettings::RtsControl, TRtsControl::RtsHandshake),
                    &termios::c_cflag, CRTSCTS, CRTSCTS},
        MappingCase{"NoHardwareFlow", Set(&CommSettings::RtsControl, TRtsControl::RtsEnable),
                    &termios::c_cflag, CRTSCTS, 0},
        MappingCase{"AlwaysLocalAndReading", Set(&CommSettings::BaudRate, 9600u), &termios::c_cflag,
                    CLOCAL | CREAD, CLOCAL | CREAD},
        MappingCase{"ParityCheck", Set(&CommSettings::ParityCheck, true), &termios::c_iflag,
                    INPCK | IGNPAR | PARMRK, INPCK},
        MappingCase{"NoParityCheck", Set(&CommSettings::ParityCheck, false), &termios::c_iflag, INPCK, 0},
        MappingCase{"XonXoffBothWays", Set(&CommSettings::Outx_XonXoffFlow, true), &termios::c_iflag,
                    IXON | IXOFF | IXANY, IXON | IXOFF},
        MappingCase{"XonXoffInputOnly", Set(&CommSettings::Outx_XonXoffFlow, false), &termios::c_iflag,
                    IXON | IXOFF, IXOFF},
        MappingCase{"XonXoffNone", Set(&CommSettings::Inx_XonXoffFlow, false), &termios::c_iflag,
                    IXOFF, 0},
        MappingCase{"RawInput", Set(&CommSettings::BaudRate, 9600u), &termios::c_iflag,
                    ICRNL | INLCR | IGNCR | ISTRIP | BRKINT, 0},
        MappingCase{"RawOutput", Set(&CommSettings::BaudRate, 9600u), &termios::c_oflag, OPOST, 0},
        MappingCase{"RawLocal", Set(&CommSettings::BaudRate, 9600u), &termios::c_lflag,
                    ICANON | ECHO | ISIG | IEXTEN, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MapLineStateTest, ClearsWhatAnEarlierStateSetAndKeepsFieldsItDoesNotName) {
  termios tio{};
  tio.c_cflag = CS7 | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL;
  tio.c_iflag = ICRNL | IXON | INPCK;
  tio.c_lflag = ICANON | ECHO;
  tio.c_cc[VINTR] = 3;
  CommSettings s;
  s.Outx_XonXoffFlow = false;
  s.Inx_XonXoffFlow = false;
  MapLineState(s, tio);
  EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS), CS8);
  EXPECT_NE(tio.c_cflag & HUPCL, 0u);
  EXPECT_EQ(tio.c_iflag, 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_EQ(tio.c_cc[VINTR], 3);
}

TEST(MapLineStateTest, XonXoffCharactersAndOneByteReads) {
  CommSettings s;
  s.XonChar = 0x21;
  s.XoffChar = 0x23;
  termios tio{};
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 5;
  MapLineState(s, tio);
  EXPECT_EQ(tio.c_cc[VSTART], 0x21);
  EXPECT_EQ(tio.c_cc[VSTOP], 0x23);
  EXPECT_EQ(tio.c_cc[VMIN], 1);
  EXPECT_EQ(tio.c_cc[VTIME], 0);
}

TEST(StandardSpeedTest, KnowsTheTableAndNothingElse) {
  EXPECT_EQ(StandardSpeed(9600), B9600);
  EXPECT_EQ(StandardSpeed(38400), B38400);
  EXPECT_EQ(StandardSpeed(115200), B115200);
  EXPECT_EQ(StandardSpeed(4000000), B4000000);
  EXPECT_FALSE(StandardSpeed(0));
  EXPECT_FALSE(StandardSpeed(250000));
  EXPECT_FALSE(StandardSpeed(9601));
}

}  // namespace
}  // namespace quorin
