// The DCB picture of each line setting and the COMMTIMEOUTS of the time-outs.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "comm/LineStateWin32.h"

namespace quorin {
namespace {

struct FlagCase {
  const char* name;
  std::function<void(CommSettings&)> change;
  std::uint32_t flags;  // the whole DCB flag word
};

class DcbFlagsTest : public ::testing::TestWithParam<FlagCase> {};

TEST_P(DcbFlagsTest, RebuildsTheWholeFlagWordFromTheSettings) {
  CommSettings s;
  GetParam().change(s);
  DCB dcb{};
  std::memset(&dcb, 0xFF, sizeof dcb);  // whatever the driver had: nothing of it may survive
  MapLineState(s, dcb);
  EXPECT_EQ(DcbFlagWord(dcb), GetParam().flags) << std::hex << DcbFlagWord(dcb);
}

// Defaults 0x1391 (binary, DTR on, continue after XOFF, XON/XOFF both ways, RTS on); each case
// changes one setting from there.
INSTANTIATE_TEST_SUITE_P(
    Settings, DcbFlagsTest,
    ::testing::Values(
        FlagCase{"Defaults", [](CommSettings&) {}, 0x1391},
        FlagCase{"StoredPortSettings", [](CommSettings& s) { s.Outx_XonXoffFlow = false; }, 0x1291},
        FlagCase{"ParityCheck", [](CommSettings& s) { s.ParityCheck = true; }, 0x1393},
        FlagCase{"CtsFlow", [](CommSettings& s) { s.Outx_CtsFlow = true; }, 0x1395},
        FlagCase{"DsrFlow", [](CommSettings& s) { s.Outx_DsrFlow = true; }, 0x1399},
        FlagCase{"DtrDisable", [](CommSettings& s) { s.DtrControl = TDtrControl::DtrDisable; },
                 0x1381},
        FlagCase{"DtrHandshake", [](CommSettings& s) { s.DtrControl = TDtrControl::DtrHandshake; },
                 0x13A1},
        FlagCase{"DsrSensitivity", [](CommSettings& s) { s.DsrSensitivity = true; }, 0x13D1},
        FlagCase{"NoTxContinueOnXoff", [](CommSettings& s) { s.TxContinueOnXoff = false; }, 0x1311},
        FlagCase{"NoInputXonXoff", [](CommSettings& s) { s.Inx_XonXoffFlow = false; }, 0x1191},
        FlagCase{"ReplaceWhenParityError", [](CommSettings& s) { s.ReplaceWhenParityError = true; },
                 0x1791},
        FlagCase{"IgnoreNullChar", [](CommSettings& s) { s.IgnoreNullChar = true; }, 0x1B91},
        FlagCase{"RtsDisable", [](CommSettings& s) { s.RtsControl = TRtsControl::RtsDisable; },
                 0x0391},
        FlagCase{"RtsHandshake", [](CommSettings& s) { s.RtsControl = TRtsControl::RtsHandshake; },
                 0x2391},
        FlagCase{"RtsToggle",
                 [](CommSettings& s) { s.RtsControl = TRtsControl::RtsTransmissionAvailable; },
                 0x3391}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MapLineStateTest, WritesTheFieldsItOwnsAndKeepsTheOthers) {
  CommSettings s;
  s.BaudRate = 250000;
  s.XonLimit = 100;
  s.XoffLimit = 200;
  s.ByteSize = TByteSize::_7;
  s.Parity = TParity::Space;
  s.StopBits = TStopBits::_1_5;
  s.XonChar = 0x21;
  s.XoffChar = 0x23;
  s.ReplacedChar = 0x3F;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  dcb.EofChar = 0x1A;
  dcb.EvtChar = 0x7E;
  MapLineState(s, dcb);
  EXPECT_EQ(dcb.BaudRate, 250000u);
  EXPECT_EQ(dcb.XonLim, 100);
  EXPECT_EQ(dcb.XoffLim, 200);
  EXPECT_EQ(dcb.ByteSize, 7);
  EXPECT_EQ(dcb.Parity, SPACEPARITY);
  EXPECT_EQ(dcb.StopBits, ONE5STOPBITS);
  EXPECT_EQ(dcb.XonChar, 0x21);
  EXPECT_EQ(dcb.XoffChar, 0x23);
  EXPECT_EQ(dcb.ErrorChar, 0x3F);
  EXPECT_EQ(dcb.DCBlength, sizeof dcb);
  EXPECT_EQ(dcb.EofChar, 0x1A);
  EXPECT_EQ(dcb.EvtChar, 0x7E);
}

TEST(MapTimeoutsTest, KeepsTheOrderOfCommTimeouts) {
  CommSettings s;
  s.ReadIntervalTimeout = 1;
  s.ReadTotalTimeoutMultiplier = 2;
  s.ReadTotalTimeoutConstant = 3;
  s.WriteTotalTimeoutMultiplier = 4;
  s.WriteTotalTimeoutConstant = 5;
  const COMMTIMEOUTS t = MapTimeouts(s);
  EXPECT_EQ(t.ReadIntervalTimeout, 1u);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 2u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 3u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 4u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 5u);
}

}  // namespace
}  // namespace quorin
