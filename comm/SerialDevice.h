#pragma once
// SerialDevice: the only place that touches the operating system's serial API. One object stands
// for one open port plus its stop signal. One source file per platform implements it (chosen by
// comm/CMakeLists.txt); shared code never tests the platform.
//
// Threads: Open, PrepareBuffers, ArmStopSignal, Purge, ApplyLineState and ApplyTimeouts are called
// by the port's owner (TComm, on the job worker). Read and TakeLineEvents belong to the reader
// thread alone, Write to the writer thread alone. RequestStop and StopRequested: any thread.
// Destruction only after the reader and the writer have ended.
//
// Errors are captured as std::error_code right where the system call failed.
//
// How each platform maps the line state onto its serial API is described in its backend
// (SerialDevicePosix.cpp for termios).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <system_error>

#include "comm/CommSettings.h"

namespace quorin {

// How a read or a write ended.
enum class IoStatus {
  Done,     // `count` bytes moved (a read may end with 0 bytes once a total time-out passed)
  Stopped,  // the stop signal was seen; nothing more is to be done
  Gone,     // the device went away or failed (hang-up, EIO, ...): `error` says why
  Closed,   // the descriptor was closed under the thread (EBADF): end silently
};

struct IoResult {
  IoStatus status = IoStatus::Done;
  std::size_t count = 0;
  std::error_code error;
};

// Line errors in the flags a driver reports them with (the CE_ values of the component's events).
enum LineErrorFlags : std::uint32_t {
  LineErrorRxOver = 0x0001,   // input buffer overflow
  LineErrorOverrun = 0x0002,  // hardware overrun
  LineErrorParity = 0x0004,
  LineErrorFrame = 0x0008,
  LineErrorBreak = 0x0010,
};

// Modem events as the component reports them.
enum ModemEventBits : std::uint32_t {
  ModemEventRing = 4,
  ModemEventCarrierDetect = 8,
};

struct LineEvents {
  std::uint32_t errorFlags = 0;   // LineErrorFlags
  std::uint32_t modemEvents = 0;  // ModemEventBits
};

class SerialDevice {
 public:
  // Opens the device at `path` for reading and writing, without becoming its controlling
  // terminal, non-blocking, close-on-exec, and takes exclusive access (an advisory lock that also
  // holds for root, plus the driver's exclusive mode where it has one). Returns null and sets
  // `error` on failure: ENOENT (no such device), EACCES (no permission), EBUSY (another program
  // has the port), or the system's reason as it is.
  static std::unique_ptr<SerialDevice> Open(const std::string& path, std::error_code& error);

  // Gives up exclusive mode and closes the device and the stop signal.
  ~SerialDevice();
  SerialDevice(const SerialDevice&) = delete;
  SerialDevice& operator=(const SerialDevice&) = delete;

  // Checks the device is a serial line and takes the starting point of its error counters.
  // Error: ENOTTY when it is not a terminal.
  std::error_code PrepareBuffers();
  // Creates the stop signal that every wait of Read and Write watches.
  std::error_code ArmStopSignal();
  // Drops what the driver holds in the input and/or output direction. Result ignored by design.
  void Purge(bool input, bool output);
  // Writes the whole line state (see the mapping above). Returns the first failure of the
  // termios calls (the modem-control ioctls' ENOTTY/EINVAL are not failures); callers may ignore it.
  std::error_code ApplyLineState(const CommSettings& settings);
  // Takes the five time-outs; the next Read and Write follow them.
  void ApplyTimeouts(const CommSettings& settings);

  // Reader thread. Reads up to buffer.size() bytes under the time-outs, like a serial read:
  //   - total time-out T = ReadTotalTimeoutMultiplier x buffer.size() + ReadTotalTimeoutConstant
  //     (off when both are 0); interval time-out I = ReadIntervalTimeout (off when 0);
  //   - waits for the first byte up to T (for ever when off); Done with 0 bytes when T passes;
  //   - after a byte, completes when the buffer is full, no further byte came for I, or T passed;
  //     with both off it completes only when the buffer is full;
  //   - I = 0xFFFFFFFF with T off: returns at once with what is there (possibly 0 bytes);
  //     I = 0xFFFFFFFF, multiplier 0xFFFFFFFF, 0 < constant < 0xFFFFFFFF: returns as soon as any
  //     byte is there, or with 0 bytes after the constant.
  // Stopped when the stop signal is seen (bytes gathered so far are dropped, as a purge does).
  // Gone on hang-up, POLLERR, a read of 0 bytes or EIO; bytes gathered before are returned first.
  IoResult Read(std::span<std::uint8_t> buffer);
  // Reader thread. Line errors and modem events since the last call (best effort, see above).
  LineEvents TakeLineEvents();
  // Writer thread. Writes as much of `data` as the device takes before the write total time-out
  // (WriteTotalTimeoutMultiplier x size + WriteTotalTimeoutConstant; no limit when both are 0),
  // waiting while the driver's queue is full. Done with the count written, which may be short.
  IoResult Write(std::span<const std::uint8_t> data);

  // Any thread. Raises the stop signal; it stays raised until the device is destroyed.
  void RequestStop();
  bool StopRequested() const;

 private:
  struct Handle;
  explicit SerialDevice(std::unique_ptr<Handle> handle);
  std::unique_ptr<Handle> handle_;
};

// Best effort: raise the calling thread's scheduling priority by `steps` above normal (the reader
// asks for 2, the writer for 1). Without the privilege to do so nothing changes; never fails.
void RaiseCurrentThreadPriority(int steps);

}  // namespace quorin
