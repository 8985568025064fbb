// SerialDevice on POSIX: termios for the line state, poll over the port and a wake-up pipe for
// every wait, flock (plus TIOCEXCL where the driver has it) for exclusive access.
//
// Facts this file is built around:
// - Reads use VMIN=1/VTIME=0 behind poll. VMIN above 64 returns at most 64 bytes on current
//   kernels, and VMIN=0/VTIME=0 returns 0 with no data, which cannot be told from a hang-up.
// - Closing the port's descriptor from another thread wakes neither a blocked poll nor a blocked
//   write, so the stop is a pipe that every poll watches, and the descriptor is closed only after
//   both threads have ended.
// - POLLHUP, POLLERR, a read of 0 bytes and EIO all mean the device is gone (cable pulled).
// - TIOCEXCL outlives the descriptor on a pseudo-terminal, so it is cleared before closing.
//
// How the line state maps onto termios and the modem-control ioctls:
//   BaudRate            cfsetspeed for the standard rates; any other rate through termios2
//                       (TCSETS2 with BOTHER) on Linux. A rate the driver refuses is not applied.
//   ByteSize            CS5..CS8.
//   Parity              None: no PARENB; Odd/Even: PARENB (+PARODD); Mark/Space: PARENB|CMSPAR
//                       (+PARODD for Mark).
//   StopBits            _1: no CSTOPB; _1_5 and _2: CSTOPB (UARTs send 1.5 stop bits for CSTOPB
//                       with 5 data bits, the only size 1.5 is defined for).
//   ParityCheck         INPCK. A byte received with a parity or framing error is then read as 0
//                       (no IGNPAR, no PARMRK), which is ReplaceWhenParityError with ReplacedChar
//                       0.
//   Outx_CtsFlow        CRTSCTS (Linux has one flag for both directions of RTS/CTS).
//   RtsControl          RtsEnable/RtsDisable: RTS on/off (TIOCMBIS/TIOCMBIC); RtsHandshake:
//   CRTSCTS;
//                       RtsTransmissionAvailable: RTS on.
//   DtrControl          DtrEnable/DtrDisable: DTR on/off; DtrHandshake: DTR on.
//   Outx_XonXoffFlow    IXON;  Inx_XonXoffFlow: IXOFF;  XonChar: VSTART;  XoffChar: VSTOP.
//   IgnoreNullChar      received 0 bytes are removed by Read.
//   always              raw mode (no echo, no canonical input, no signals, no output processing),
//                       CLOCAL | CREAD, VMIN = 1, VTIME = 0 (reads are driven by poll).
//   kept as state only  XonLimit, XoffLimit (the driver picks its own thresholds), DsrSensitivity,
//                       Outx_DsrFlow, TxContinueOnXoff (the driver always goes on sending after it
//                       sent XOFF), ReplacedChar (other than 0, see ParityCheck).
// Modem-control ioctls that fail with ENOTTY or EINVAL (pseudo-terminals) are tolerated.
// Pseudo-terminals force 8 data bits and no parity whatever is asked.
//
// Line errors, ring and carrier detect (best effort): the driver's interrupt counters
// (TIOCGICOUNT) are compared each time the reader wakes for data; drivers without them
// (pseudo-terminals, many USB adapters) report nothing.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/serial.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <limits>
#include <optional>

#include "comm/CustomBaud.h"
#include "comm/IoDeadlines.h"
#include "comm/LineStatePosix.h"
#include "comm/SerialDevice.h"
#include "comm/SystemSerialDevice.h"
#include "platform/SystemError.h"
#include "platform/UniqueHandle.h"
#include "platform/posix/Fd.h"

namespace quorin {

namespace {

using Clock = std::chrono::steady_clock;

using platform::Fd;
using platform::LastSystemError;
using platform::UniqueHandle;

// poll until `deadline` (for ever without one). Linux's ppoll takes the time to the nanosecond,
// so an interval time-out ends on time instead of up to a millisecond late; elsewhere the
// milliseconds are rounded up so a wait never ends early.
int PollUntil(pollfd* fds, nfds_t count, const std::optional<Clock::time_point>& deadline) {
  if (!deadline) return ::poll(fds, count, -1);
  const auto left = std::max(*deadline - Clock::now(), Clock::duration::zero());
#ifdef __linux__
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
  const timespec timeout{static_cast<time_t>(ns / 1'000'000'000),
                         static_cast<long>(ns % 1'000'000'000)};
  return ::ppoll(fds, count, &timeout, nullptr);
#else
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return ::poll(fds, count,
                static_cast<int>(std::min<long long>(ms, std::numeric_limits<int>::max())));
#endif
}

// A modem-control ioctl; pseudo-terminals and some adapters answer ENOTTY or EINVAL.
std::error_code ModemLine(int fd, unsigned long request, int bits) {
  if (ioctl(fd, request, &bits) == 0) return {};
  if (errno == ENOTTY || errno == EINVAL) return {};
  return LastSystemError();
}

}  // namespace

struct SystemSerialDevice::Handle {
  UniqueHandle port;
  UniqueHandle stopRead;   // watched by every poll; becomes readable once and stays so
  UniqueHandle stopWrite;  // one byte written by RequestStop
  std::atomic<bool> stopRequested{false};
  bool exclusiveMode = false;

  IoTimeouts timeouts;
  std::atomic<bool> ignoreNull{false};

  // Reader thread only (taken before the reader starts).
  bool countersAvailable = false;
#ifdef TIOCGICOUNT
  serial_icounter_struct lastCounts{};
#endif

  // Waits for `events` on the port or the stop signal, until `deadline` (for ever without).
  // The stop signal wins when both are ready.
  WaitEnd WaitPort(short events, const std::optional<Clock::time_point>& deadline) const {
    for (;;) {
      if (stopRequested.load(std::memory_order_acquire)) return IoResult{IoStatus::Stopped, 0, {}};
      pollfd fds[2] = {{Fd(port), events, 0}, {Fd(stopRead), POLLIN, 0}};
      const nfds_t count = stopRead.Valid() ? 2 : 1;
      const int ready = PollUntil(fds, count, deadline);
      if (ready < 0) {
        if (errno == EINTR) continue;
        return IoResult{IoStatus::Gone, 0, LastSystemError()};
      }
      if (count == 2 && fds[1].revents != 0) return IoResult{IoStatus::Stopped, 0, {}};
      if (ready == 0) {
        if (deadline && Clock::now() >= *deadline)
          return IoResult{IoStatus::Done, 0, {}};  // timed out
        continue;
      }
      const short got = fds[0].revents;
      if (got & POLLNVAL) return IoResult{IoStatus::Closed, 0, {}};
      if (got & events) return std::nullopt;  // readable data is taken before a hang-up
      if (got & (POLLHUP | POLLERR))
        return IoResult{IoStatus::Gone, 0, std::make_error_code(std::errc::io_error)};
    }
  }
};

SystemSerialDevice::SystemSerialDevice(std::unique_ptr<Handle> handle)
    : handle_(std::move(handle)) {}

SystemSerialDevice::~SystemSerialDevice() {
  if (handle_->exclusiveMode) ::ioctl(Fd(handle_->port), TIOCNXCL);
  // The descriptors close (and the advisory lock goes) with the Handle.
}

std::unique_ptr<SerialDevice> SerialDevice::Open(const std::string& path, std::error_code& error) {
  error.clear();
  UniqueHandle port(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
  if (!port.Valid()) {
    error = LastSystemError();
    return nullptr;
  }
  // The advisory lock holds against every program that asks for it, root included. A file system
  // without flock support leaves only the driver's exclusive mode.
  if (::flock(Fd(port), LOCK_EX | LOCK_NB) != 0 && (errno == EWOULDBLOCK || errno == EAGAIN)) {
    error = std::make_error_code(std::errc::device_or_resource_busy);
    return nullptr;
  }
  auto handle = std::make_unique<SystemSerialDevice::Handle>();
  // The driver's exclusive mode also keeps out programs that never ask for a lock (not root).
  handle->exclusiveMode = ::ioctl(Fd(port), TIOCEXCL) == 0;
  handle->port = std::move(port);
  return std::unique_ptr<SerialDevice>(new SystemSerialDevice(std::move(handle)));
}

std::error_code SystemSerialDevice::PrepareBuffers() {
  termios tio{};
  if (::tcgetattr(Fd(handle_->port), &tio) != 0) return LastSystemError();
#ifdef TIOCGICOUNT
  handle_->countersAvailable = ::ioctl(Fd(handle_->port), TIOCGICOUNT, &handle_->lastCounts) == 0;
#endif
  return {};
}

std::error_code SystemSerialDevice::ArmStopSignal() {
  int fds[2];
  if (::pipe(fds) != 0) return LastSystemError();
  handle_->stopRead = UniqueHandle(fds[0]);
  handle_->stopWrite = UniqueHandle(fds[1]);
  for (int fd : fds) {
    if (::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0 ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) != 0) {
      const auto error = LastSystemError();
      handle_->stopRead.Reset();
      handle_->stopWrite.Reset();
      return error;
    }
  }
  if (handle_->stopRequested.load()) RequestStop();
  return {};
}

void SystemSerialDevice::RequestStop() {
  handle_->stopRequested.store(true, std::memory_order_release);
  if (handle_->stopWrite.Valid()) {
    const char byte = 1;
    // A full pipe is already readable: the result does not matter.
    [[maybe_unused]] const auto written = ::write(Fd(handle_->stopWrite), &byte, 1);
  }
}

bool SystemSerialDevice::StopRequested() const {
  return handle_->stopRequested.load(std::memory_order_acquire);
}

void SystemSerialDevice::Purge(bool input, bool output) {
  if (!input && !output) return;
  ::tcflush(Fd(handle_->port), input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH));
}

std::error_code SystemSerialDevice::ApplyLineState(const CommSettings& s) {
  const int fd = Fd(handle_->port);
  handle_->ignoreNull.store(s.IgnoreNullChar, std::memory_order_relaxed);
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return LastSystemError();
  MapLineState(s, tio);
  std::error_code first;
  const auto keep = [&first](std::error_code error) {
    if (!first) first = error;
  };
  const auto speed = StandardSpeed(s.BaudRate);
  if (speed) {
    ::cfsetispeed(&tio, *speed);
    ::cfsetospeed(&tio, *speed);
  }
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) keep(LastSystemError());
  // Rate 0 would mean "hang up" (B0) to a terminal, not a speed: refused like any bad rate.
  if (!speed) {
    keep(s.BaudRate == 0 ? std::make_error_code(std::errc::invalid_argument)
                         : SetCustomBaudRate(fd, s.BaudRate));
  }
  keep(ModemLine(fd, s.DtrControl != TDtrControl::DtrDisable ? TIOCMBIS : TIOCMBIC, TIOCM_DTR));
  if (s.RtsControl != TRtsControl::RtsHandshake) {
    keep(ModemLine(fd, s.RtsControl != TRtsControl::RtsDisable ? TIOCMBIS : TIOCMBIC, TIOCM_RTS));
  }
  return first;
}

std::error_code SystemSerialDevice::ApplyTimeouts(const CommSettings& s) {
  handle_->timeouts.Store(s);
  return {};  // the reads and writes here time themselves: nothing to refuse
}

IoResult SystemSerialDevice::Read(std::span<std::uint8_t> buffer) {
  Handle& h = *handle_;
  const auto wait = [&h](const auto& deadline) { return h.WaitPort(POLLIN, deadline); };
  return TimedRead(h.timeouts, h.ignoreNull, buffer, wait, [&h](std::span<std::uint8_t> rest) {
    const auto n = ::read(Fd(h.port), rest.data(), rest.size());
    if (n > 0) return IoResult{IoStatus::Done, static_cast<std::size_t>(n), {}};
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return IoResult{};
    if (n < 0 && errno == EBADF) return IoResult{IoStatus::Closed, 0, {}};
    // A read of 0 bytes after poll said "readable", or EIO: the device is gone.
    return IoResult{IoStatus::Gone, 0,
                    n == 0 ? std::make_error_code(std::errc::io_error) : LastSystemError()};
  });
}

LineEvents SystemSerialDevice::TakeLineEvents() {
  LineEvents events;
#ifdef TIOCGICOUNT
  Handle& h = *handle_;
  if (!h.countersAvailable) return events;
  serial_icounter_struct now{};
  if (::ioctl(Fd(h.port), TIOCGICOUNT, &now) != 0) return events;
  const auto& was = h.lastCounts;
  if (now.buf_overrun != was.buf_overrun) events.ErrorFlags |= LineErrorRxOver;
  if (now.overrun != was.overrun) events.ErrorFlags |= LineErrorOverrun;
  if (now.parity != was.parity) events.ErrorFlags |= LineErrorParity;
  if (now.frame != was.frame) events.ErrorFlags |= LineErrorFrame;
  if (now.brk != was.brk) events.ErrorFlags |= LineErrorBreak;
  if (now.rng != was.rng) events.ModemEvents |= ModemEventRing;
  if (now.dcd != was.dcd) events.ModemEvents |= ModemEventCarrierDetect;
  h.lastCounts = now;
#endif
  return events;
}

IoResult SystemSerialDevice::Write(std::span<const std::uint8_t> data) {
  Handle& h = *handle_;
  const auto deadline = h.timeouts.ForWrite(data.size(), Clock::now());
  std::size_t written = 0;
  while (written < data.size()) {
    if (h.stopRequested.load(std::memory_order_acquire)) return {IoStatus::Stopped, written, {}};
    const auto n = ::write(Fd(h.port), data.data() + written, data.size() - written);
    if (n > 0) {
      written += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EBADF) return {IoStatus::Closed, written, {}};
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
      return {IoStatus::Gone, written, LastSystemError()};
    // The driver's queue is full: wait until it takes more, the time-out passes or a stop.
    if (const WaitEnd end = h.WaitPort(POLLOUT, deadline))
      return {end->Status, written, end->Error};
  }
  return {IoStatus::Done, written, {}};
}

}  // namespace quorin
