// The simulator's pseudo-terminal: the master sees the line speed the tool sets, and the tool
// closing its end does not hang the line up.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>

#include "platform/PtyPair.h"
#include "platform/UniqueHandle.h"
#include "platform/posix/Fd.h"
#include "platform/posix/TermiosSpeeds.h"

namespace quorin::platform {
namespace {

// The tool's end: the slave device opened the way a serial port is.
UniqueHandle OpenToolSide(const PtyPair& pty) {
  UniqueHandle tool(::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  EXPECT_TRUE(tool.Valid());
  return tool;
}

void SetBaud(const UniqueHandle& tool, std::uint32_t baud) {
  termios line{};
  ASSERT_EQ(::tcgetattr(Fd(tool), &line), 0);
  ::cfmakeraw(&line);
  ::cfsetspeed(&line, SpeedOfBaud(baud));
  ASSERT_EQ(::tcsetattr(Fd(tool), TCSANOW, &line), 0);
}

TEST(PtyPairTest, MasterSeesTheSpeedTheToolSet) {
  PtyPair pty;
  EXPECT_EQ(pty.LineBaud(), 9600u);
  const UniqueHandle tool = OpenToolSide(pty);
  for (std::uint32_t baud : {9600u, 38400u, 57600u, 115200u, 38400u}) {
    SetBaud(tool, baud);
    EXPECT_EQ(pty.LineBaud(), baud);
  }
  pty.Close();
  EXPECT_EQ(pty.LineBaud(), 0u);
  EXPECT_EQ(pty.MasterHandle(), kNoHandle);
}

TEST(PtyPairTest, ToolClosingThePortDoesNotHangUpTheMaster) {
  PtyPair pty;
  {
    const UniqueHandle tool = OpenToolSide(pty);
    const std::uint8_t stx = 0x02;
    ASSERT_EQ(::write(Fd(tool), &stx, 1), 1);
  }
  const int master = static_cast<int>(pty.MasterHandle());
  pollfd p{master, POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 1000), 1);
  std::uint8_t byte = 0;
  EXPECT_EQ(::read(master, &byte, 1), 1);
  EXPECT_EQ(byte, 0x02);
  p.revents = 0;
  EXPECT_EQ(::poll(&p, 1, 50), 0) << "revents " << p.revents;
}

}  // namespace
}  // namespace quorin::platform
