#pragma once
// SerialDevice: one open serial line plus its stop signal, as the reader and the writer use it.
// The system's serial port is one implementation (SerialDevice::Open; one source file per
// platform, chosen by comm/CMakeLists.txt; shared code never tests the platform); the in-memory
// loopback line (comm/LoopbackDevice.h) is another. Every implementation keeps the contract below.
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
#include <functional>
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
  IoStatus Status = IoStatus::Done;
  std::size_t Count = 0;
  std::error_code Error;
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
  std::uint32_t ErrorFlags = 0;   // LineErrorFlags
  std::uint32_t ModemEvents = 0;  // ModemEventBits
};

class SerialDevice {
 public:
  // Opens the device at `path` for reading and writing, without becoming its controlling
  // terminal, non-blocking, close-on-exec, and takes exclusive access (an advisory lock that also
  // holds for root, plus the driver's exclusive mode where it has one). Returns null and sets
  // `error` on failure: ENOENT (no such device), EACCES (no permission), EBUSY (another program
  // has the port), or the system's reason as it is.
  // This is the system's opener, used when a port has no opener of its own (SerialDeviceOpener).
  static std::unique_ptr<SerialDevice> Open(const std::string& path, std::error_code& error);

  // Closes the device and the stop signal (the system's port also gives up exclusive mode).
  virtual ~SerialDevice() = default;
  SerialDevice(const SerialDevice&) = delete;
  SerialDevice& operator=(const SerialDevice&) = delete;

  // Checks the device is a serial line and takes the starting point of its error counters.
  // Error: ENOTTY when it is not a terminal.
  virtual std::error_code PrepareBuffers() = 0;
  // Creates the stop signal that every wait of Read and Write watches.
  virtual std::error_code ArmStopSignal() = 0;
  // Drops what the driver holds in the input and/or output direction. Result ignored by design.
  virtual void Purge(bool input, bool output) = 0;
  // Writes the whole line state (see the mapping above). Returns the first failure of the
  // termios calls (the modem-control ioctls' ENOTTY/EINVAL are not failures); callers may ignore
  // it.
  virtual std::error_code ApplyLineState(const CommSettings& settings) = 0;
  // Takes the five time-outs; the next Read and Write follow them. Returns the driver's refusal
  // (Windows' SetCommTimeouts); callers may ignore it.
  virtual std::error_code ApplyTimeouts(const CommSettings& settings) = 0;

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
  virtual IoResult Read(std::span<std::uint8_t> buffer) = 0;
  // Reader thread. Line errors and modem events since the last call (best effort, see above).
  virtual LineEvents TakeLineEvents() = 0;
  // Writer thread. Writes as much of `data` as the device takes before the write total time-out
  // (WriteTotalTimeoutMultiplier x size + WriteTotalTimeoutConstant; no limit when both are 0),
  // waiting while the driver's queue is full. Done with the count written, which may be short.
  virtual IoResult Write(std::span<const std::uint8_t> data) = 0;

  // Any thread. Raises the stop signal; it stays raised until the device is destroyed.
  virtual void RequestStop() = 0;
  virtual bool StopRequested() const = 0;

 protected:
  SerialDevice() = default;
};

// Opens the device a port is named after (`name` is the port's CommName as it was set) or returns
// null with `error` set, as SerialDevice::Open does. Called on the thread that opens the port.
using SerialDeviceOpener =
    std::function<std::unique_ptr<SerialDevice>(const std::string& name, std::error_code& error)>;

// Best effort: raise the calling thread's scheduling priority by `steps` above normal (the reader
// asks for 2, the writer for 1). Without the privilege to do so nothing changes; never fails.
void RaiseCurrentThreadPriority(int steps);

}  // namespace quorin
