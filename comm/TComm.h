#pragma once
// TComm: one serial port. Keeps the line settings as properties, opens and configures the port,
// hands outgoing bytes to its writer thread and turns what the reader and writer report into
// events that run on the UI thread (through the NotifySink given at construction).
//
// Threads: construct, destroy and assign events on the UI thread. OpenPort, ClosePort, SendData and
// the property setters may be called from one other thread (the job worker); they are not safe
// against each other. Events run only on the UI thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>

#include "comm/CommNotify.h"
#include "comm/CommSettings.h"
#include "comm/SerialDevice.h"

namespace quorin {

// Raised only by OpenPort. what() is the component's text (UTF-8); Reason() keeps the system's
// cause where there is one (ENOENT, EACCES, EBUSY ...), so a caller can say what to do.
// InProgram() tells a failure inside this program (a thread or an event it could not create,
// e.g. EAGAIN under a process limit) from the device's refusal: its reason says nothing about
// the port or who holds it.
class ECommsError : public std::runtime_error {
 public:
  explicit ECommsError(const std::string& text, std::error_code reason = {}, bool inProgram = false)
      : std::runtime_error(text), reason_(reason), inProgram_(inProgram) {}
  std::error_code Reason() const { return reason_; }
  bool InProgram() const { return inProgram_; }

 private:
  std::error_code reason_;
  bool inProgram_;
};

// What the driver refused of the settings the component wrote to the port: the system's reason
// for the line state (the baud rate among it) and for the time-outs; empty when it took them.
struct SettingsRefusal {
  std::error_code LineState;
  std::error_code Timeouts;
  explicit operator bool() const { return LineState || Timeouts; }
};

class TComm;
using TReceiveDataEvent =
    std::function<void(TComm& sender, const std::uint8_t* buffer, std::uint16_t bufferLength)>;
using TReceiveErrorEvent = std::function<void(TComm& sender, std::uint32_t eventMask)>;
using TModemStateChangeEvent = std::function<void(TComm& sender, std::uint32_t modemEvent)>;
using TNotifyEvent = std::function<void(TComm& sender)>;
using TSendDataEmptyEvent = std::function<void(TComm& sender)>;

class TComm {
 public:
  // UI thread. `sink` runs the events; it must outlive the component.
  explicit TComm(NotifySink& sink);
  // Closes the port if it is still open (stopping both threads), then drops the component.
  // Notifications still queued in the sink are then skipped safely.
  ~TComm();
  TComm(const TComm&) = delete;
  TComm& operator=(const TComm&) = delete;

  // Opens the device named CommName ("COMn" or a device path, see ResolvePortName in
  // comm/PortNames.h) exclusively, applies time-outs and line state, starts the reader and the
  // writer. Reason() of the open failure: ENOENT (no such device), EACCES (no permission: the
  // user is not in the dialout group), EBUSY (another program has the port), ENOTTY with
  // "初始化缓冲区出错" (the path is no serial line). Raises ECommsError ("此串口已经打开" when
  // already open; "打开串口出错\r\n此串口不存在或被占用" when the device is missing or held
  // elsewhere, ...). On failure the component is closed and no thread remains. An open of the port
  // this component closed less than a second ago that is refused as busy (a driver that is slow to
  // let go) is tried again for up to a second before it fails, so OpenPort may then take that long.
  void OpenPort();
  // Stops both threads, waits for them, drops what is still queued, closes the device.
  // Harmless when closed. Notifications posted before it may still run afterwards (a chunk
  // received just before can reach OnReceiveData after ClosePort returned).
  void ClosePort();
  // Copies `length` bytes and queues them for the writer. True when queued; false when closed,
  // when length is 0, when the writer has ended after a failure (the port is then only waiting
  // for ClosePort), or when 10000 blocks already wait. Accepts blocks from the moment OpenPort
  // returns. True means queued, not yet sent. Never raises.
  bool SendData(const std::uint8_t* buffer, std::uint16_t length);
  // Any thread: whether the port is open (OpenPort succeeded and ClosePort has not run since).
  bool IsOpen() const;
  // A refused setting is not applied and the port stays usable (OpenPort still succeeds), but it
  // is remembered here: the first refusal of each kind since the last successful OpenPort, which
  // starts afresh. The thread that opens the port.
  SettingsRefusal RefusedSettings() const;

  // Runs one notification's event. UI thread only.
  void HandleNotification(const Notification& message);

  // Properties. Setters: an equal value changes nothing; otherwise the value is stored and, when
  // the port is open, the line state (or, for the five time-outs, the time-outs) is re-applied at
  // once. CommName and Parity are only stored (Parity reaches the line at the next re-apply).
  const std::string& CommName() const;
  void SetCommName(const std::string& name);
  // How OpenPort opens CommName's device: empty (the default) is the system's serial port,
  // SerialDevice::Open on ResolvePortName(CommName); any other opener is given CommName as it is
  // and its error takes the place of the system's. Only stored: used at the next OpenPort.
  void SetDeviceOpener(SerialDeviceOpener opener);
  const CommSettings& Settings() const;

  std::uint32_t BaudRate() const;
  void SetBaudRate(std::uint32_t v);
  void SetParityCheck(bool v);
  void SetOutx_CtsFlow(bool v);
  void SetOutx_DsrFlow(bool v);
  void SetDtrControl(TDtrControl v);
  void SetDsrSensitivity(bool v);
  void SetTxContinueOnXoff(bool v);
  void SetOutx_XonXoffFlow(bool v);
  void SetInx_XonXoffFlow(bool v);
  void SetReplaceWhenParityError(bool v);
  void SetIgnoreNullChar(bool v);
  void SetRtsControl(TRtsControl v);
  void SetXonLimit(std::uint16_t v);
  void SetXoffLimit(std::uint16_t v);
  void SetByteSize(TByteSize v);
  void SetParity(TParity v);
  void SetStopBits(TStopBits v);
  void SetXonChar(std::uint8_t v);
  void SetXoffChar(std::uint8_t v);
  void SetReplacedChar(std::uint8_t v);
  void SetReadIntervalTimeout(std::uint32_t v);
  void SetReadTotalTimeoutMultiplier(std::uint32_t v);
  void SetReadTotalTimeoutConstant(std::uint32_t v);
  void SetWriteTotalTimeoutMultiplier(std::uint32_t v);
  void SetWriteTotalTimeoutConstant(std::uint32_t v);

  // Events; assign on the UI thread while the port is closed. Unassigned events are skipped.
  TReceiveDataEvent OnReceiveData;
  TReceiveErrorEvent OnReceiveError;
  TModemStateChangeEvent OnModemStateChange;
  TNotifyEvent OnRequestHangup;
  TSendDataEmptyEvent OnSendDataEmpty;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quorin
