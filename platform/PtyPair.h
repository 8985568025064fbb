#pragma once
// A pseudo-terminal standing in for a serial cable: the master end is the controller's side, the
// slave device (SlavePath) is the port the tool opens.
//
// One slave handle stays open for the pair's whole life, so the master never reads an error
// while the tool has closed the port between two opens, and the slave's line settings survive.
// The master sees the slave's line settings, so LineBaud() tells which speed the tool set last.
//
// Threads: not shared; one thread at a time uses it (the simulated controller hands it to its own
// thread while running). SlavePath never changes and may be read from any thread.
#include <cstdint>
#include <string>

#include "platform/UniqueHandle.h"

namespace quorin::platform {

class PtyPair {
 public:
  // Creates the pair and puts the line in raw mode at 9600 baud. Raises std::system_error when
  // the system has no pseudo-terminal to give.
  PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  // The device the tool opens ("/dev/pts/N"). Stays the same after Close (the device is gone then).
  const std::string& SlavePath() const { return slavePath_; }
  // The master end (non-blocking), or kNoHandle after Close. Owned by the pair.
  NativeHandle MasterHandle() const { return master_.Get(); }
  // The speed in baud currently set on the slave (0 when unknown or closed). Never raises.
  std::uint32_t LineBaud() const;
  // Closes both ends, as if the cable were pulled. Harmless when closed.
  void Close();

 private:
  UniqueHandle master_;
  UniqueHandle slave_;
  std::string slavePath_;
};

}  // namespace quorin::platform
