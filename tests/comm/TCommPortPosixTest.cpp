// What only a pseudo-terminal of our own shows: the line state the component wrote (read back
// through the observer), the far end hanging up, and other processes asking for the port.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "comm/CustomBaud.h"
#include "tests/comm/CommFixture.h"
#include "tests/support/HolderChild.h"
#include "tests/support/WaitChild.h"

namespace quorin::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kOpenFailed = "打开串口出错\r\n此串口不存在或被占用";

class PosixPortTest : public CommFixture {};

speed_t ObservedSpeed(int fd) {
  termios tio{};
  EXPECT_EQ(::tcgetattr(fd, &tio), 0);
  return ::cfgetospeed(&tio);
}

// Changes the line speed behind the component's back, so a re-apply shows.
void ForceSpeed(int fd, speed_t speed) {
  termios tio{};
  ASSERT_EQ(::tcgetattr(fd, &tio), 0);
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);
  ASSERT_EQ(::tcsetattr(fd, TCSANOW, &tio), 0);
}

TEST_F(PosixPortTest, BaudRateChangedWhileOpenReachesTheLineAtOnceAndAnEqualValueTouchesNothing) {
  comm.OpenPort();
  EXPECT_EQ(ObservedSpeed(pty.Observer()), B9600);
  comm.SetBaudRate(38400);
  EXPECT_EQ(ObservedSpeed(pty.Observer()), B38400);

  ForceSpeed(pty.Observer(), B1200);
  comm.SetBaudRate(38400);  // equal: no re-apply
  EXPECT_EQ(ObservedSpeed(pty.Observer()), B1200);
  comm.SetBaudRate(57600);
  EXPECT_EQ(ObservedSpeed(pty.Observer()), B57600);
}

TEST_F(PosixPortTest, BaudRateOutsideTheStandardTableReachesTheLine) {
  comm.SetBaudRate(250000);
  comm.OpenPort();
  std::uint32_t baud = 0;
  ASSERT_FALSE(ReadBaudRate(pty.Observer(), baud));
  EXPECT_EQ(baud, 250000u);
  comm.SetBaudRate(38400);  // and back to a standard one
  ASSERT_FALSE(ReadBaudRate(pty.Observer(), baud));
  EXPECT_EQ(baud, 38400u);
}

TEST_F(PosixPortTest, BaudRateSetWhileClosedReachesTheLineOnlyAtOpen) {
  ForceSpeed(pty.Observer(), B1200);
  comm.SetBaudRate(19200);
  EXPECT_EQ(ObservedSpeed(pty.Observer()), B1200);
  comm.OpenPort();
  EXPECT_EQ(ObservedSpeed(pty.Observer()), B19200);
}

TEST_F(PosixPortTest, ParityWaitsForTheNextReapplyCausedByAnotherProperty) {
  comm.OpenPort();
  ForceSpeed(pty.Observer(), B1200);
  comm.SetParity(TParity::Even);
  EXPECT_EQ(ObservedSpeed(pty.Observer()), B1200) << "Parity alone re-applied the line state";
  EXPECT_EQ(comm.Settings().Parity, TParity::Even);
  comm.SetStopBits(TStopBits::_2);
  EXPECT_EQ(ObservedSpeed(pty.Observer()), B9600);
  termios tio{};
  ASSERT_EQ(::tcgetattr(pty.Observer(), &tio), 0);
  EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
}

TEST_F(PosixPortTest, TimeOutSettersDoNotTouchTheLineState) {
  comm.OpenPort();
  ForceSpeed(pty.Observer(), B1200);
  comm.SetReadIntervalTimeout(5);
  comm.SetWriteTotalTimeoutConstant(100);
  EXPECT_EQ(ObservedSpeed(pty.Observer()), B1200);
}

TEST_F(PosixPortTest, OpenPortPutsTheLineIntoRawModeWithTheFlowControlAsked) {
  comm.OpenPort();
  termios tio{};
  ASSERT_EQ(::tcgetattr(pty.Observer(), &tio), 0);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(tio.c_iflag & IXON, 0u);   // AVS1: no XON/XOFF output flow control
  EXPECT_NE(tio.c_iflag & IXOFF, 0u);  // but input flow control
  EXPECT_EQ(tio.c_cc[VSTART], 0x11);
  EXPECT_EQ(tio.c_cc[VSTOP], 0x13);
  EXPECT_EQ(tio.c_cc[VMIN], 1);
  EXPECT_EQ(tio.c_cc[VTIME], 0);
}

TEST_F(PosixPortTest, FarEndHangingUpRaisesRequestHangupAndNoThreadHangs) {
  const auto threads = ThreadCount();
  comm.OpenPort();
  ASSERT_TRUE(RunUntil([&] { return sendEmpty == 1; }));
  pty.CloseMaster();  // the cable is pulled
  ASSERT_TRUE(RunUntil([&] { return hangups >= 1; }));
  EXPECT_TRUE(comm.IsOpen());  // the owner decides
  const std::uint8_t frame[] = {0x02};
  comm.SendData(frame, 1);  // the writer fails too, or is already gone; neither may hang
  RunFor(100ms);
  const auto start = Clock::now();
  comm.ClosePort();
  EXPECT_LT(Clock::now() - start, 5s);
  EXPECT_LE(ThreadCount(), threads);  // none left behind (a runtime thread may end meanwhile)
}

TEST_F(PosixPortTest, FarEndHangingUpDuringABlockedWriteEndsTheWriter) {
  const auto threads = ThreadCount();
  comm.OpenPort();
  const auto block = Pattern(65535, 8);
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(comm.SendData(block.data(), 65535));
  std::this_thread::sleep_for(100ms);
  pty.CloseMaster();
  ASSERT_TRUE(RunUntil([&] { return hangups >= 1; }));
  // The writer has ended too: its queue refuses more.
  ASSERT_TRUE(RunUntil([&] { return ThreadCount() == threads; }));
  const std::uint8_t frame[] = {0x02};
  EXPECT_FALSE(comm.SendData(frame, 1));
  comm.ClosePort();
  EXPECT_LE(ThreadCount(), threads);  // none left behind (a runtime thread may end meanwhile)
}

TEST_F(PosixPortTest, HangupHandlerMayCloseThePortOnTheUiThread) {
  comm.OnRequestHangup = [this](TComm& sender) {
    ++hangups;
    sender.ClosePort();
  };
  const auto threads = ThreadCount();
  comm.OpenPort();
  pty.CloseMaster();
  ASSERT_TRUE(RunUntil([&] { return hangups >= 1; }));
  EXPECT_FALSE(comm.IsOpen());
  EXPECT_LE(ThreadCount(), threads);  // none left behind (a runtime thread may end meanwhile)
}

TEST_F(PosixPortTest, SecondOpenOfAPortInUseFailsAsBusy) {
  comm.OpenPort();
  TComm other(loop);
  other.SetCommName(pty.SlavePath());
  try {
    other.OpenPort();
    FAIL() << "second open succeeded";
  } catch (const ECommsError& e) {
    EXPECT_STREQ(e.what(), kOpenFailed);
    EXPECT_EQ(e.Reason(), std::make_error_code(std::errc::device_or_resource_busy));
  }
  EXPECT_FALSE(other.IsOpen());
  comm.ClosePort();
  other.OpenPort();  // free again
  EXPECT_TRUE(other.IsOpen());
}

TEST_F(PosixPortTest, AnotherProcessCannotTakeThePortWhileItIsOpen) {
  comm.OpenPort();
  const std::string path = pty.SlavePath();
  // The child only makes async-signal-safe calls: open, flock, _exit.
  auto tryInChild = [&path] {
    const pid_t child = ::fork();
    if (child == 0) {
      const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      if (fd < 0) ::_exit(2);
      ::_exit(::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
    }
    const std::optional<int> status = support::WaitChild(child, std::chrono::seconds(30));
    if (!status) ADD_FAILURE() << "the child did not end within 30 s";
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
  };
  EXPECT_NE(tryInChild(), 0);
  comm.ClosePort();
  EXPECT_EQ(tryInChild(), 0);
}

TEST_F(PosixPortTest, ARefusedLineStateIsRememberedUntilTheNextOpenWhichStillSucceeds) {
  comm.SetBaudRate(0);  // no speed: the line refuses it
  comm.OpenPort();
  EXPECT_TRUE(comm.IsOpen());
  EXPECT_EQ(comm.RefusedSettings().LineState, std::make_error_code(std::errc::invalid_argument));
  EXPECT_FALSE(comm.RefusedSettings().Timeouts);
  comm.SetBaudRate(9600);  // taken: the first refusal stays
  EXPECT_TRUE(comm.RefusedSettings().LineState);
  comm.ClosePort();
  comm.OpenPort();
  EXPECT_FALSE(comm.RefusedSettings());
}

TEST_F(PosixPortTest, ADeviceThatIsNoSerialLineFailsAtTheBuffersStepAndALaterOpenWorks) {
  comm.SetCommName("/dev/null");
  try {
    comm.OpenPort();
    FAIL() << "no exception";
  } catch (const ECommsError& e) {
    EXPECT_STREQ(e.what(), "初始化缓冲区出错");
    EXPECT_EQ(e.Reason(), std::make_error_code(std::errc::inappropriate_io_control_operation));
  }
  EXPECT_FALSE(comm.IsOpen());
  comm.SetCommName(pty.SlavePath());
  comm.OpenPort();
  EXPECT_TRUE(comm.IsOpen());
}

}  // namespace
}  // namespace quorin::test

namespace quorin::test {
namespace {

// A driver slow to let go after our own close, played by another process that takes the port
// right after ClosePort and lets go after `holdMs` (never: -1).
struct ReopenCase {
  const char* name;
  bool closedByUsFirst;  // the component opened and closed this port just before
  int holdMs;
  bool opens;
  std::chrono::milliseconds atLeast;  // the open does not return before this
  bool retried;                       // more than one open was tried
};

class ReopenTest : public PosixPortTest, public ::testing::WithParamInterface<ReopenCase> {};

TEST_P(ReopenTest, BusyRightAfterOurCloseIsRetriedForUpToASecond) {
  const ReopenCase& c = GetParam();
  std::atomic<int> attempts{0};
  comm.SetDeviceOpener([&attempts](const std::string& name, std::error_code& error) {
    ++attempts;
    return SerialDevice::Open(name, error);
  });
  if (c.closedByUsFirst) {
    comm.OpenPort();
    comm.ClosePort();
  }
  std::optional<support::HolderChild> holder;
  holder.emplace(pty.SlavePath(), "slow-driver");
  ASSERT_TRUE(holder->Held());
  const auto held = Clock::now();
  std::thread release([&] {
    if (c.holdMs < 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(c.holdMs));
    holder.reset();
  });
  attempts = 0;
  bool opened = false;
  std::error_code reason;
  try {
    comm.OpenPort();
    opened = true;
  } catch (const ECommsError& e) {
    reason = e.Reason();
  }
  const auto took = Clock::now() - held;
  release.join();
  EXPECT_EQ(opened, c.opens) << reason.message();
  if (!c.opens) {
    EXPECT_EQ(reason, std::make_error_code(std::errc::device_or_resource_busy));
  }
  EXPECT_GE(took, c.atLeast);
  EXPECT_LT(took, 20s);
  EXPECT_EQ(attempts > 1, c.retried) << attempts;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReopenTest,
    ::testing::Values(ReopenCase{"LetGoAfter300ms", true, 300, true, 300ms, true},
                      ReopenCase{"NeverLetGo", true, -1, false, 1000ms, true},
                      ReopenCase{"NotOursBefore", false, -1, false, 0ms, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorin::test
