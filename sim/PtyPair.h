#pragma once
// A pseudo-terminal standing in for a serial cable: the master end is the controller's side, the
// slave device (SlavePath) is the port the tool opens.
//
// One slave descriptor stays open for the pair's whole life, so the master never reads EIO while
// the tool has closed the port between two opens, and the slave's line settings survive.
// tcgetattr on the master returns the slave's settings, so LineBaud() tells which speed the tool
// set last.
//
// Threads: not shared; one thread at a time uses it (SimController hands it to its own thread
// while running). SlavePath never changes and may be read from any thread.
#include <termios.h>

#include <cstdint>
#include <string>

namespace quorin::sim {

class PtyPair {
 public:
  // Creates the pair, puts the line in raw mode at 9600 baud. Raises std::system_error.
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  // "/dev/pts/N". Stays the same after Close (the device is gone then).
  const std::string& SlavePath() const { return slavePath_; }
  // The master descriptor (non-blocking), or -1 after Close.
  int MasterFd() const { return master_; }
  // The speed in baud currently set on the slave (0 when unknown or closed).
  std::uint32_t LineBaud() const;
  // Closes both ends, as if the cable were pulled. Harmless when closed.
  void Close();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

// Baud of a termios speed constant; 0 for an unknown one.
std::uint32_t BaudOfSpeed(speed_t speed);
// termios speed constant of a baud rate; B0 for an unsupported one.
speed_t SpeedOfBaud(std::uint32_t baud);

}  // namespace quorin::sim
