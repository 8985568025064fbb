#include "comm/TComm.h"

#include <atomic>
#include <chrono>
#include <new>
#include <thread>
#include <utility>

#include "comm/CommThreads.h"
#include "comm/PortNames.h"
#include "comm/SerialDevice.h"
#include "comm/WriterQueue.h"
#include "platform/PortHolders.h"

namespace quorin {
namespace {

using Clock = std::chrono::steady_clock;

// Several USB-serial drivers refuse to open a port again for a moment after it was closed (the
// job closes and reopens around the restart frame): an open of the port this component closed
// less than kJustClosed ago that is refused as busy is tried again every kReopenPause for up to
// kReopenFor before the refusal counts.
constexpr auto kJustClosed = std::chrono::seconds(1);
constexpr auto kReopenFor = std::chrono::seconds(1);
constexpr auto kReopenPause = std::chrono::milliseconds(50);

// The component's texts for the steps of OpenPort that fail, UTF-8, letter for letter. Once the
// device is open, what fails to be created (the stop signal, a thread) belongs to this program
// (ECommsError::InProgram).
constexpr const char* kAlreadyOpen = "此串口已经打开";
constexpr const char* kOpenDevice = "打开串口出错\r\n此串口不存在或被占用";
constexpr const char* kBuffers = "初始化缓冲区出错";  // the device is no serial line
constexpr const char* kStopSignal = "无法创建事件";
constexpr const char* kReaderThread = "无法创建读线程";
constexpr const char* kWriterThread = "无法创建写线程";

// Starts a reader or a writer with `start`; a thread the system cannot give (or no memory for
// it) raises `text` with the reason.
template <typename Start>
auto StartThread(const char* text, Start start) {
  try {
    return start();
  } catch (const std::system_error& e) {
    throw ECommsError(text, e.code(), true);
  } catch (const std::bad_alloc&) {
    throw ECommsError(text, std::make_error_code(std::errc::not_enough_memory), true);
  }
}

}  // namespace

struct TComm::Impl {
  Impl(TComm& owner, NotifySink& sink) : owner(owner), sink(sink) {}

  TComm& owner;
  NotifySink& sink;
  std::string commName = "COM2";
  SerialDeviceOpener opener;  // empty: the system's serial port
  CommSettings settings;

  // Closures posted to the sink hold this token weakly: once the component is gone they skip.
  std::shared_ptr<int> alive = std::make_shared<int>(0);

  std::atomic<bool> open{false};
  std::shared_ptr<SerialDevice> device;
  std::shared_ptr<WriterQueue> queue;
  std::unique_ptr<TReadThread> reader;
  std::unique_ptr<TWriteThread> writer;

  // The port this component closed last and when (job worker only, as OpenPort and ClosePort).
  std::string closedName;
  Clock::time_point closedAt;

  std::shared_ptr<SerialDevice> OpenDevice(std::error_code& error) const {
    return opener ? opener(commName, error) : SerialDevice::Open(ResolvePortName(commName), error);
  }

  // Opens the device; a busy refusal right after our own close of the same port is retried.
  std::shared_ptr<SerialDevice> OpenDeviceRetryingReopen(std::error_code& error) const {
    std::shared_ptr<SerialDevice> opened = OpenDevice(error);
    if (opened || closedName != commName || Clock::now() - closedAt > kJustClosed) return opened;
    const Clock::time_point giveUp = Clock::now() + kReopenFor;
    while (!opened && platform::ClassifyOpenError(error) == platform::OpenRefusal::Busy &&
           Clock::now() < giveUp) {
      std::this_thread::sleep_for(kReopenPause);
      opened = OpenDevice(error);
    }
    return opened;
  }

  // What a thread uses to reach HandleNotification on the UI thread.
  PostNotification MakePoster() {
    return [sink = &sink, token = std::weak_ptr<int>(alive), comm = &owner](Notification&& n) {
      return sink->Post([token, comm, n = std::move(n)] {
        // Runs on the UI thread, where the component is also destroyed: no race with the check.
        if (!token.expired()) comm->HandleNotification(n);
      });
    };
  }

  // A property: an equal value does nothing; otherwise store and, when open, re-apply the line
  // state (or, with `timeout`, the time-outs). A refused setting is not applied; the port goes on
  // as it is, and the first refusal of each kind is kept so that a job that gets no answer can say
  // why.
  SettingsRefusal refused;
  template <typename T>
  void Set(T CommSettings::*field, T value, bool timeout) {
    if (settings.*field == value) return;
    settings.*field = value;
    if (!open.load()) return;
    std::error_code& kept = timeout ? refused.Timeouts : refused.LineState;
    const std::error_code error =
        timeout ? device->ApplyTimeouts(settings) : device->ApplyLineState(settings);
    if (error && !kept) kept = error;
  }
  template <typename T>
  void SetLine(T CommSettings::*field, T value) {
    Set(field, value, false);
  }
  template <typename T>
  void SetTimeout(T CommSettings::*field, T value) {
    Set(field, value, true);
  }
};

TComm::TComm(NotifySink& sink) : impl_(std::make_unique<Impl>(*this, sink)) {}

TComm::~TComm() {
  ClosePort();
  impl_->alive.reset();
}

void TComm::OpenPort() {
  Impl& m = *impl_;
  if (m.open.load()) throw ECommsError(kAlreadyOpen);

  std::error_code error;
  std::shared_ptr<SerialDevice> device = m.OpenDeviceRetryingReopen(error);
  if (!device) throw ECommsError(kOpenDevice, error);
  if ((error = device->PrepareBuffers())) throw ECommsError(kBuffers, error);
  // From here every failure closes the device again as `device` goes out of scope.
  device->Purge(true, true);
  SettingsRefusal refused;
  refused.Timeouts = device->ApplyTimeouts(m.settings);
  refused.LineState = device->ApplyLineState(m.settings);
  if ((error = device->ArmStopSignal())) throw ECommsError(kStopSignal, error, true);

  // The queue exists before the writer runs, so SendData takes blocks as soon as we return.
  auto queue = std::make_shared<WriterQueue>();
  auto reader = StartThread(kReaderThread,
                            [&] { return std::make_unique<TReadThread>(device, m.MakePoster()); });
  try {
    m.writer = StartThread(kWriterThread, [&] {
      return std::make_unique<TWriteThread>(device, queue, m.MakePoster());
    });
  } catch (...) {
    // The reader is joined as it goes out of scope: stop it and drop pending input first.
    device->RequestStop();
    device->Purge(true, false);
    throw;
  }

  m.device = std::move(device);
  m.queue = std::move(queue);
  m.reader = std::move(reader);
  m.refused = refused;
  m.open.store(true);
}

void TComm::ClosePort() {
  Impl& m = *impl_;
  if (!m.open.load()) return;
  m.device->RequestStop();
  // Reader: stop, drop pending input, wait for it (its thread is joined as it is destroyed).
  m.device->Purge(true, false);
  m.reader.reset();
  // Writer: stop, drop what is queued and pending output, wait for it.
  m.queue->Close();
  m.device->Purge(false, true);
  m.writer.reset();
  m.queue.reset();
  m.device.reset();  // clears exclusive mode, closes the port and the stop signal
  m.open.store(false);
  m.closedName = m.commName;
  m.closedAt = Clock::now();
}

bool TComm::SendData(const std::uint8_t* buffer, std::uint16_t length) {
  Impl& m = *impl_;
  if (!m.open.load() || length == 0 || buffer == nullptr) return false;
  try {
    return m.queue->Push(std::vector<std::uint8_t>(buffer, buffer + length));
  } catch (const std::bad_alloc&) {
    return false;  // no memory for the copy: not queued
  }
}

bool TComm::IsOpen() const { return impl_->open.load(); }

SettingsRefusal TComm::RefusedSettings() const { return impl_->refused; }

void TComm::HandleNotification(const Notification& message) {
  // Each event is the last thing done here, so a handler may even destroy the component.
  switch (message.Code) {
    case NotifyData:
      if (OnReceiveData) {
        OnReceiveData(*this, message.Data.data(),
                      static_cast<std::uint16_t>(message.Data.size() & 0xFFFFu));
      }
      break;
    case NotifyReceiveError:
      if (OnReceiveError) OnReceiveError(*this, message.Value);
      break;
    case NotifyHangup:
      if (OnRequestHangup) OnRequestHangup(*this);
      break;
    case NotifyModemState:
      if (OnModemStateChange) OnModemStateChange(*this, message.Value);
      break;
    case NotifySendEmpty:
      if (OnSendDataEmpty) OnSendDataEmpty(*this);
      break;
    default:
      break;
  }
}

const std::string& TComm::CommName() const { return impl_->commName; }
void TComm::SetCommName(const std::string& name) { impl_->commName = name; }
void TComm::SetDeviceOpener(SerialDeviceOpener opener) { impl_->opener = std::move(opener); }
const CommSettings& TComm::Settings() const { return impl_->settings; }

std::uint32_t TComm::BaudRate() const { return impl_->settings.BaudRate; }
void TComm::SetBaudRate(std::uint32_t v) { impl_->SetLine(&CommSettings::BaudRate, v); }
void TComm::SetParityCheck(bool v) { impl_->SetLine(&CommSettings::ParityCheck, v); }
void TComm::SetOutx_CtsFlow(bool v) { impl_->SetLine(&CommSettings::Outx_CtsFlow, v); }
void TComm::SetOutx_DsrFlow(bool v) { impl_->SetLine(&CommSettings::Outx_DsrFlow, v); }
void TComm::SetDtrControl(TDtrControl v) { impl_->SetLine(&CommSettings::DtrControl, v); }
void TComm::SetDsrSensitivity(bool v) { impl_->SetLine(&CommSettings::DsrSensitivity, v); }
void TComm::SetTxContinueOnXoff(bool v) { impl_->SetLine(&CommSettings::TxContinueOnXoff, v); }
void TComm::SetOutx_XonXoffFlow(bool v) { impl_->SetLine(&CommSettings::Outx_XonXoffFlow, v); }
void TComm::SetInx_XonXoffFlow(bool v) { impl_->SetLine(&CommSettings::Inx_XonXoffFlow, v); }
void TComm::SetReplaceWhenParityError(bool v) {
  impl_->SetLine(&CommSettings::ReplaceWhenParityError, v);
}
void TComm::SetIgnoreNullChar(bool v) { impl_->SetLine(&CommSettings::IgnoreNullChar, v); }
void TComm::SetRtsControl(TRtsControl v) { impl_->SetLine(&CommSettings::RtsControl, v); }
void TComm::SetXonLimit(std::uint16_t v) { impl_->SetLine(&CommSettings::XonLimit, v); }
void TComm::SetXoffLimit(std::uint16_t v) { impl_->SetLine(&CommSettings::XoffLimit, v); }
void TComm::SetByteSize(TByteSize v) { impl_->SetLine(&CommSettings::ByteSize, v); }
// Parity is only stored: it reaches the line with the next OpenPort or re-apply.
void TComm::SetParity(TParity v) { impl_->settings.Parity = v; }
void TComm::SetStopBits(TStopBits v) { impl_->SetLine(&CommSettings::StopBits, v); }
void TComm::SetXonChar(std::uint8_t v) { impl_->SetLine(&CommSettings::XonChar, v); }
void TComm::SetXoffChar(std::uint8_t v) { impl_->SetLine(&CommSettings::XoffChar, v); }
void TComm::SetReplacedChar(std::uint8_t v) { impl_->SetLine(&CommSettings::ReplacedChar, v); }
void TComm::SetReadIntervalTimeout(std::uint32_t v) {
  impl_->SetTimeout(&CommSettings::ReadIntervalTimeout, v);
}
void TComm::SetReadTotalTimeoutMultiplier(std::uint32_t v) {
  impl_->SetTimeout(&CommSettings::ReadTotalTimeoutMultiplier, v);
}
void TComm::SetReadTotalTimeoutConstant(std::uint32_t v) {
  impl_->SetTimeout(&CommSettings::ReadTotalTimeoutConstant, v);
}
void TComm::SetWriteTotalTimeoutMultiplier(std::uint32_t v) {
  impl_->SetTimeout(&CommSettings::WriteTotalTimeoutMultiplier, v);
}
void TComm::SetWriteTotalTimeoutConstant(std::uint32_t v) {
  impl_->SetTimeout(&CommSettings::WriteTotalTimeoutConstant, v);
}

}  // namespace quorin
