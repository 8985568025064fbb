// SerialDevice on Windows: a COM port opened for overlapped I/O. Every wait of the reader and the
// writer is a WaitForMultipleObjects that also holds the stop event, so a stop is seen at once and
// no thread ever blocks on the device alone. One event per overlapped operation.
//
// How the line state maps on Windows (the DCB, rebuilt from GetCommState each time, see
// LineStateWin32.h): every property has its own DCB field and the driver carries it out.
//   BaudRate            DCB.BaudRate as is (the driver refuses what it cannot do: not applied).
//   ByteSize            DCB.ByteSize = 5..8.  Parity: DCB.Parity 0..4.  StopBits: DCB.StopBits
//   0..2. ParityCheck         fParity.  ReplaceWhenParityError: fErrorChar, with ReplacedChar as
//   ErrorChar. Outx_CtsFlow        fOutxCtsFlow.  Outx_DsrFlow: fOutxDsrFlow.  DsrSensitivity:
//   fDsrSensitivity. DtrControl          fDtrControl ENABLE / DISABLE / HANDSHAKE. RtsControl
//   fRtsControl ENABLE / DISABLE / HANDSHAKE / TOGGLE (RtsTransmissionAvailable). TxContinueOnXoff
//   fTXContinueOnXoff.  Outx_XonXoffFlow: fOutX.  Inx_XonXoffFlow: fInX. XonLimit, XoffLimit
//   XonLim, XoffLim.  XonChar, XoffChar: XonChar, XoffChar. IgnoreNullChar      fNull; Read also
//   drops 0 bytes itself, for drivers that ignore fNull. always              fBinary on,
//   fAbortOnError off; EofChar, EvtChar and the reserved words
//                       keep what GetCommState read.
// Time-outs: the five COMMTIMEOUTS fields as they are; the driver times reads and writes.
//
// Line errors, ring and carrier detect: SetCommMask(EV_RLSD | EV_ERR | EV_RING) and one
// WaitCommEvent kept pending beside the read. Its event is part of the reader's wait; what it
// reports (ClearCommError's CE_ flags, EV_RING, EV_RLSD) is gathered and handed out by
// TakeLineEvents after the read it happened during. A driver that answers "not supported" to
// SetCommMask or WaitCommEvent reports none (best effort, as on POSIX); any other failure there
// ends the reader with a hang-up.
//
// Names are opened as they are: ResolvePortName has made "COMn" into \\.\COMn (the only form that
// reaches COM10 and up). Strings are UTF-8 here and UTF-16 at CreateFileW.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "comm/IoDeadlines.h"
#include "comm/LineStateWin32.h"
#include "comm/SerialDevice.h"
#include "comm/SystemSerialDevice.h"
#include "platform/SystemError.h"
#include "platform/win32/Handle.h"
#include "platform/win32/Text.h"

namespace quorin {

namespace {

using platform::LastSystemError;
using platform::UniqueHandle;
using platform::win32::Native;
using platform::win32::Own;
using platform::win32::Win32Error;

constexpr DWORD kQueueSize = 4096;
// How long a cancelled operation is given to come back. A driver whose adapter was pulled may
// never complete it; the close must not wait for it for ever.
constexpr DWORD kCancelLimitMs = 2000;
constexpr DWORD kLineEventMask = EV_RLSD | EV_ERR | EV_RING;

// A read or write that ended because its total time-out passed. Windows reports that as success
// with the bytes moved so far; Wine fails it with ERROR_TIMEOUT (the count is still filled in).
bool TimedOut() {
  return ::GetLastError() == ERROR_TIMEOUT;
}

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size =
      static_cast<int>(std::min<std::size_t>(utf8.size(), std::numeric_limits<int>::max()));
  const int length =
      ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), length);
  return wide;
}

// An overlapped record with its own manual-reset event.
struct Overlapped {
  OVERLAPPED record{};
  UniqueHandle event;
  bool pending = false;

  bool Create() {
    event = Own(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    return event.Valid();
  }
  // Fresh record for the next operation (the system resets the event when it starts).
  OVERLAPPED* Start() {
    record = OVERLAPPED{};
    record.hEvent = Native(event);
    return &record;
  }
};

}  // namespace

struct SystemSerialDevice::Handle {
  UniqueHandle port;
  UniqueHandle stop;  // manual reset: once set it stays set
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> ignoreNull{false};

  // Reader thread only.
  Overlapped read;
  Overlapped lineWait;
  DWORD lineMask = 0;  // filled by WaitCommEvent
  bool lineEventsStarted = false;
  LineEvents gathered;
  std::optional<std::error_code> failedLineWait;  // reported by the next Read

  // Writer thread only.
  Overlapped write;

  // The driver fills and reads these while an operation is pending, so they belong to the
  // Handle, not to the caller: a caller's buffer may be gone by the time a driver that ignored a
  // cancel finally completes.
  std::vector<std::uint8_t> readBuffer = std::vector<std::uint8_t>(kQueueSize);
  std::vector<std::uint8_t> writeBuffer;
  // An operation did not come back within kCancelLimitMs of its cancel: the driver may still
  // write into this Handle's records and buffers at any time (set by the reader or the writer,
  // read by the destructor after both have ended).
  std::atomic<bool> stuck{false};

  // How a failed read, write or wait ends, given the failure's code and the bytes moved.
  IoResult Failure(DWORD code, std::size_t count = 0) const {
    if (code == ERROR_INVALID_HANDLE) return {IoStatus::Closed, count, {}};
    // The owner stops, then purges: an aborted operation after a stop is a stop.
    if (stopRequested.load(std::memory_order_acquire)) return {IoStatus::Stopped, count, {}};
    return {IoStatus::Gone, count, Win32Error(code)};
  }

  // Aborts a pending operation and waits, at most kCancelLimitMs, until the system no longer
  // uses its record and buffer. Returns the bytes it moved before the abort. When it does not
  // come back in time the operation stays pending and the Handle is marked stuck: it must then
  // never be freed (see ~SystemSerialDevice).
  DWORD Abandon(Overlapped& op) {
    DWORD moved = 0;
    if (!op.pending) return moved;
    ::CancelIoEx(Native(port), &op.record);
    if (::WaitForSingleObject(Native(op.event), kCancelLimitMs) != WAIT_OBJECT_0) {
      stuck.store(true);
      return moved;
    }
    ::GetOverlappedResult(Native(port), &op.record, &moved, FALSE);
    op.pending = false;
    return moved;
  }

  // Takes in what a completed line-event wait reported. False (with `error`) on a failure.
  bool Gather(DWORD mask, std::error_code& error) {
    bool known = false;
    if (mask & EV_ERR) {
      DWORD errors = 0;
      if (!::ClearCommError(Native(port), &errors, nullptr)) {
        error = LastSystemError();
        return false;
      }
      gathered.ErrorFlags |= errors;
      known = true;
    }
    if (mask & EV_RLSD) gathered.ModemEvents |= ModemEventCarrierDetect;
    if (mask & EV_RING) gathered.ModemEvents |= ModemEventRing;
    known = known || (mask & (EV_RLSD | EV_RING)) != 0;
    if (!known) error = Win32Error(ERROR_INVALID_DATA);  // a wait that reports nothing at all
    return known;
  }

  // Keeps one WaitCommEvent pending; events that complete at once are gathered on the spot.
  bool ArmLineWait(std::error_code& error) {
    while (!stopRequested.load(std::memory_order_acquire)) {
      lineMask = 0;
      if (::WaitCommEvent(Native(port), &lineMask, lineWait.Start())) {
        if (!Gather(lineMask, error)) return false;
        continue;
      }
      const DWORD code = ::GetLastError();
      if (code != ERROR_IO_PENDING) {
        error = Win32Error(code);
        return false;
      }
      lineWait.pending = true;
      return true;
    }
    return true;
  }

  // The pending line-event wait has completed: gather what it says and wait for the next.
  bool FinishLineWait(std::error_code& error) {
    lineWait.pending = false;
    DWORD unused = 0;
    if (!::GetOverlappedResult(Native(port), &lineWait.record, &unused, FALSE)) {
      error = LastSystemError();
      return false;
    }
    return Gather(lineMask, error) && ArmLineWait(error);
  }

  // Reader thread, first Read: select the line events and start waiting for them. A driver that
  // cannot report them (Wine on a pseudo-terminal, some adapters) leaves reading without them.
  bool StartLineEvents(std::error_code& error) {
    lineEventsStarted = true;
    if (!read.Create() || !lineWait.Create()) {
      error = LastSystemError();
      return false;
    }
    if (::SetCommMask(Native(port), kLineEventMask) && ArmLineWait(error)) return true;
    if (!error) error = LastSystemError();
    if (error.value() != ERROR_NOT_SUPPORTED && error.value() != ERROR_INVALID_FUNCTION)
      return false;
    error.clear();
    return true;
  }
};

SystemSerialDevice::SystemSerialDevice(std::unique_ptr<Handle> handle)
    : handle_(std::move(handle)) {}

SystemSerialDevice::~SystemSerialDevice() {
  Handle& h = *handle_;
  // Only the line-event wait can still be pending: Read and Write finish their own operations.
  if (h.lineWait.pending) {
    ::SetCommMask(Native(h.port), 0);  // completes a pending WaitCommEvent
    h.Abandon(h.lineWait);
  }
  ::PurgeComm(Native(h.port), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  if (h.stuck.load()) {
    // A driver still owns an operation on this Handle's OVERLAPPED records and buffers and may
    // complete it whenever it likes (or never): freeing them could let it write into memory that
    // is used for something else by then. They are leaked on purpose, with the port handle (whose
    // close could wait on the same driver), for the rest of the process: a few kilobytes per
    // adapter that died mid-operation, against a corrupted heap.
    static_cast<void>(handle_.release());
    return;
  }
  // The port, the stop event and the records' events close with the Handle.
}

std::unique_ptr<SerialDevice> SerialDevice::Open(const std::string& path, std::error_code& error) {
  error.clear();
  const std::wstring wide = Widen(path);
  if (wide.empty()) {
    error = Win32Error(ERROR_INVALID_NAME);
    return nullptr;
  }
  UniqueHandle port =
      Own(::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0 /* exclusive */, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr));
  if (!port.Valid()) {
    error = LastSystemError();
    return nullptr;
  }
  auto handle = std::make_unique<SystemSerialDevice::Handle>();
  handle->port = std::move(port);
  return std::unique_ptr<SerialDevice>(new SystemSerialDevice(std::move(handle)));
}

std::error_code SystemSerialDevice::PrepareBuffers() {
  if (!::SetupComm(Native(handle_->port), kQueueSize, kQueueSize)) return LastSystemError();
  return {};
}

std::error_code SystemSerialDevice::ArmStopSignal() {
  handle_->stop = Own(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!handle_->stop.Valid()) return LastSystemError();
  if (handle_->stopRequested.load()) ::SetEvent(Native(handle_->stop));
  return {};
}

void SystemSerialDevice::RequestStop() {
  handle_->stopRequested.store(true, std::memory_order_release);
  if (handle_->stop.Valid()) ::SetEvent(Native(handle_->stop));
}

bool SystemSerialDevice::StopRequested() const {
  return handle_->stopRequested.load(std::memory_order_acquire);
}

void SystemSerialDevice::Purge(bool input, bool output) {
  DWORD flags = 0;
  if (input) flags |= PURGE_RXABORT | PURGE_RXCLEAR;
  if (output) flags |= PURGE_TXABORT | PURGE_TXCLEAR;
  if (flags != 0) ::PurgeComm(Native(handle_->port), flags);
}

std::error_code SystemSerialDevice::ApplyLineState(const CommSettings& settings) {
  Handle& h = *handle_;
  h.ignoreNull.store(settings.IgnoreNullChar, std::memory_order_relaxed);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  std::error_code first;
  if (!::GetCommState(Native(h.port), &dcb)) {
    first = LastSystemError();
    dcb = DCB{};
    dcb.DCBlength = sizeof dcb;
  }
  MapLineState(settings, dcb);
  if (!::SetCommState(Native(h.port), &dcb) && !first) first = LastSystemError();
  return first;
}

std::error_code SystemSerialDevice::ApplyTimeouts(const CommSettings& settings) {
  COMMTIMEOUTS current{};
  ::GetCommTimeouts(Native(handle_->port), &current);  // read first, as the line state is
  COMMTIMEOUTS wanted = MapTimeouts(settings);
  if (!::SetCommTimeouts(Native(handle_->port), &wanted)) return LastSystemError();
  return {};
}

IoResult SystemSerialDevice::Read(std::span<std::uint8_t> buffer) {
  Handle& h = *handle_;
  std::error_code error;
  if (!h.lineEventsStarted && !h.StartLineEvents(error)) return {IoStatus::Gone, 0, error};
  if (h.failedLineWait) return {IoStatus::Gone, 0, *h.failedLineWait};
  if (h.stuck.load()) return {IoStatus::Gone, 0, Win32Error(ERROR_OPERATION_ABORTED)};
  const DWORD size = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), h.readBuffer.size()));

  for (;;) {
    if (h.stopRequested.load(std::memory_order_acquire)) return {IoStatus::Stopped, 0, {}};
    DWORD got = 0;
    if (!::ReadFile(Native(h.port), h.readBuffer.data(), size, &got, h.read.Start()) &&
        !TimedOut()) {
      const DWORD code = ::GetLastError();
      if (code != ERROR_IO_PENDING) return h.Failure(code);
      h.read.pending = true;
      // The list order gives the stop precedence over a line event, and a line event over a read.
      for (;;) {
        const HANDLE waits[] = {Native(h.stop), Native(h.lineWait.event), Native(h.read.event)};
        // Without a pending line-event wait its (unsignalled) event simply never wakes us.
        const DWORD woke = ::WaitForMultipleObjects(3, waits, FALSE, INFINITE);
        if (woke == WAIT_OBJECT_0 + 2) break;  // the read completed
        if (woke == WAIT_OBJECT_0 + 1) {
          // A stale signal with no wait pending is passed over.
          if (!h.lineWait.pending || h.FinishLineWait(error)) continue;
        } else if (woke != WAIT_OBJECT_0) {
          error = Win32Error(woke == WAIT_FAILED ? ::GetLastError() : ERROR_INVALID_FUNCTION);
        }
        h.Abandon(h.read);
        if (woke == WAIT_OBJECT_0) return {IoStatus::Stopped, 0, {}};
        return {IoStatus::Gone, 0, error};
      }
      h.read.pending = false;
      if (!::GetOverlappedResult(Native(h.port), &h.read.record, &got, FALSE) && !TimedOut()) {
        return h.Failure(::GetLastError());
      }
    }
    // A line event that came with the bytes belongs to them.
    if (h.lineWait.pending && ::WaitForSingleObject(Native(h.lineWait.event), 0) == WAIT_OBJECT_0 &&
        !h.FinishLineWait(error)) {
      h.failedLineWait = error;
    }
    std::copy_n(h.readBuffer.begin(), got, buffer.begin());
    const std::size_t kept = KeepReceived(buffer.first(got), h.ignoreNull);
    if (got > 0 && kept == 0) continue;  // only 0 bytes came: they do not end the read
    return {IoStatus::Done, kept, {}};
  }
}

LineEvents SystemSerialDevice::TakeLineEvents() {
  return std::exchange(handle_->gathered, LineEvents{});
}

IoResult SystemSerialDevice::Write(std::span<const std::uint8_t> data) {
  Handle& h = *handle_;
  if (h.stopRequested.load(std::memory_order_acquire)) return {IoStatus::Stopped, 0, {}};
  if (!h.write.event.Valid() && !h.write.Create()) return {IoStatus::Gone, 0, LastSystemError()};
  if (h.stuck.load()) return {IoStatus::Gone, 0, Win32Error(ERROR_OPERATION_ABORTED)};
  const DWORD size = static_cast<DWORD>(std::min<std::size_t>(data.size(), MAXDWORD));
  h.writeBuffer.assign(data.begin(), data.begin() + size);
  DWORD written = 0;
  if (::WriteFile(Native(h.port), h.writeBuffer.data(), size, &written, h.write.Start()) ||
      TimedOut()) {
    return {IoStatus::Done, written, {}};
  }
  const DWORD code = ::GetLastError();
  if (code != ERROR_IO_PENDING) return h.Failure(code);
  h.write.pending = true;
  const HANDLE waits[] = {Native(h.stop), Native(h.write.event)};
  const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  if (woke == WAIT_OBJECT_0 + 1) {
    h.write.pending = false;
    if (!::GetOverlappedResult(Native(h.port), &h.write.record, &written, FALSE) && !TimedOut()) {
      return h.Failure(::GetLastError(), written);
    }
    return {IoStatus::Done, written, {}};
  }
  const DWORD failure = woke == WAIT_FAILED ? ::GetLastError() : ERROR_INVALID_FUNCTION;
  written = h.Abandon(h.write);
  if (woke == WAIT_OBJECT_0) return {IoStatus::Stopped, written, {}};
  return {IoStatus::Gone, written, Win32Error(failure)};
}

}  // namespace quorin
