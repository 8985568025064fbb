// Each notification code becomes its event with its argument; unknown codes and unassigned
// events are skipped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comm/EventLoop.h"
#include "comm/TComm.h"

namespace quorin {
namespace {

struct Raised {
  std::vector<std::string> events;
  std::vector<std::uint32_t> values;
  std::vector<std::uint8_t> Bytes;
};

void Assign(TComm& comm, Raised& r) {
  comm.OnReceiveData = [&r](TComm&, const std::uint8_t* b, std::uint16_t n) {
    r.events.push_back("data");
    r.values.push_back(n);
    r.Bytes.assign(b, b + n);
  };
  comm.OnReceiveError = [&r](TComm&, std::uint32_t mask) {
    r.events.push_back("error");
    r.values.push_back(mask);
  };
  comm.OnModemStateChange = [&r](TComm&, std::uint32_t bits) {
    r.events.push_back("modem");
    r.values.push_back(bits);
  };
  comm.OnRequestHangup = [&r](TComm&) { r.events.push_back("hangup"); };
  comm.OnSendDataEmpty = [&r](TComm&) { r.events.push_back("empty"); };
}

struct DispatchCase {
  const char* name;
  Notification message;
  std::vector<std::string> events;
  std::vector<std::uint32_t> values;
};

class HandleNotificationTest : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(HandleNotificationTest, RaisesTheMatchingEventWithItsArgument) {
  EventLoop loop;
  TComm comm(loop);
  Raised r;
  Assign(comm, r);
  comm.HandleNotification(GetParam().message);
  EXPECT_EQ(r.events, GetParam().events);
  EXPECT_EQ(r.values, GetParam().values);
  if (GetParam().message.Code == NotifyData) {
    EXPECT_EQ(r.Bytes, GetParam().message.Data);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, HandleNotificationTest,
    ::testing::Values(
        DispatchCase{"Data", {NotifyData, 3, {0x02, 0xFD, 0x06}}, {"data"}, {3}},
        DispatchCase{"ReceiveError", {NotifyReceiveError, 0x0A, {}}, {"error"}, {0x0A}},
        DispatchCase{"Hangup", {NotifyHangup, 0, {}}, {"hangup"}, {}},
        DispatchCase{"ModemRingAndCarrier", {NotifyModemState, 12, {}}, {"modem"}, {12}},
        DispatchCase{"SendEmpty", {NotifySendEmpty, 0, {}}, {"empty"}, {}},
        DispatchCase{"UnknownCode", {0x406, 1, {1}}, {}, {}},
        DispatchCase{"ZeroCode", {0, 0, {}}, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HandleNotificationUnassigned, EveryCodeIsSkippedWithoutAnEvent) {
  EventLoop loop;
  TComm comm(loop);
  for (std::uint32_t code = NotifyData; code <= NotifySendEmpty; ++code) {
    // Calling an unassigned std::function would throw bad_function_call.
    EXPECT_NO_THROW(comm.HandleNotification(Notification{code, 1, {1, 2}})) << code;
  }
}

TEST(HandleNotificationData, AHandlerMayDestroyTheComponent) {
  EventLoop loop;
  auto comm = std::make_unique<TComm>(loop);
  int calls = 0;
  comm->OnReceiveData = [&](TComm&, const std::uint8_t*, std::uint16_t) {
    ++calls;
    comm.reset();
  };
  comm->HandleNotification(Notification{NotifyData, 1, {7}});
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(comm, nullptr);
}

TEST(TCommDefaults, ConstructorSetsTheComponentsDefaults) {
  EventLoop loop;
  TComm comm(loop);
  const CommSettings& s = comm.Settings();
  EXPECT_EQ(comm.CommName(), "COM2");
  EXPECT_EQ(comm.BaudRate(), 9600u);
  EXPECT_TRUE(s.TxContinueOnXoff);
  EXPECT_TRUE(s.Outx_XonXoffFlow);
  EXPECT_TRUE(s.Inx_XonXoffFlow);
  EXPECT_EQ(s.DtrControl, TDtrControl::DtrEnable);
  EXPECT_EQ(s.RtsControl, TRtsControl::RtsEnable);
  EXPECT_EQ(s.XonLimit, 500);
  EXPECT_EQ(s.XoffLimit, 500);
  EXPECT_EQ(s.ByteSize, TByteSize::_8);
  EXPECT_EQ(s.Parity, TParity::None);
  EXPECT_EQ(s.StopBits, TStopBits::_1);
  EXPECT_EQ(s.XonChar, 0x11);
  EXPECT_EQ(s.XoffChar, 0x13);
  EXPECT_EQ(s.ReadIntervalTimeout, 100u);
  EXPECT_FALSE(comm.IsOpen());
  EXPECT_FALSE(comm.OnReceiveData);
}

TEST(TCommDefaults, SettersStoreWhileClosed) {
  EventLoop loop;
  TComm comm(loop);
  comm.SetCommName("COM7");
  comm.SetBaudRate(38400);
  comm.SetParity(TParity::Mark);
  comm.SetStopBits(TStopBits::_1_5);
  comm.SetXoffChar(0x19);
  comm.SetWriteTotalTimeoutConstant(250);
  EXPECT_EQ(comm.CommName(), "COM7");
  EXPECT_EQ(comm.BaudRate(), 38400u);
  EXPECT_EQ(comm.Settings().Parity, TParity::Mark);
  EXPECT_EQ(comm.Settings().StopBits, TStopBits::_1_5);
  EXPECT_EQ(comm.Settings().XoffChar, 0x19);
  EXPECT_EQ(comm.Settings().WriteTotalTimeoutConstant, 250u);
}

}  // namespace
}  // namespace quorin
